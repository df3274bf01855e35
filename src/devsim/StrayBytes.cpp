#include "StrayBytes.h"

#include <algorithm>
#include <array>

#include "Frames.h"

namespace ymodem {

namespace {

constexpr std::size_t kBurstSize = 3;

// Two CANs in a row would cancel a standard sender.
constexpr std::array<std::uint8_t, 5> kNeverStray = {kCrcRequest, kAck, kNak, kCan, 'G'};

}  // namespace

std::vector<std::uint8_t> StrayBytes::Burst() {
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < kBurstSize) {
        const auto byte = static_cast<std::uint8_t>(anyByte(random_));
        if (std::find(kNeverStray.begin(), kNeverStray.end(), byte) == kNeverStray.end()) {
            bytes.push_back(byte);
        }
    }
    return bytes;
}

}  // namespace ymodem
