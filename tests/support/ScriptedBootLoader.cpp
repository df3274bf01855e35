#include "ScriptedBootLoader.h"

namespace ymodem::test {

namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kRequest = 'C';

bool IsBlockZero(std::span<const std::uint8_t> frame) {
    return frame.size() == 133 && frame[1] == 0;
}

}  // namespace

std::vector<ScriptedBootLoader::Bytes> ScriptedBootLoader::RepliesTo(
    std::span<const std::uint8_t> frame) const {
    if (!IsBlockZero(frame)) return {{kAck}};
    if (split_) return {{kAck}, {kRequest}};
    return {{kAck, kRequest}};
}

}  // namespace ymodem::test
