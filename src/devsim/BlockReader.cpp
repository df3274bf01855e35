#include "BlockReader.h"

#include <algorithm>

#include "BurnFileSource.h"
#include "Crc16.h"

namespace ymodem {

namespace {

constexpr std::size_t kPayloadStart = 3;
constexpr std::size_t kTrailerSize = 2;

}  // namespace

BlockView ReadBlock(std::span<const std::uint8_t> frame) {
    BlockView block;
    block.Number = frame[1];
    block.ComplementOk = static_cast<std::uint8_t>(frame[1] + frame[2]) == 0xFF;
    block.Payload = frame.subspan(kPayloadStart, frame.size() - kPayloadStart - kTrailerSize);
    const auto crc = CalcCrc16(frame, static_cast<std::int16_t>(kPayloadStart),
                               static_cast<std::int16_t>(block.Payload.size()));
    block.CrcOk = crc[0] == frame[frame.size() - 2] && crc[1] == frame[frame.size() - 1];
    return block;
}

std::optional<HeadBlock> ReadHeadBlock(std::span<const std::uint8_t> payload) {
    HeadBlock head;
    if (payload.empty() || payload[0] == 0) {
        head.EndsBatch = true;
        return head;
    }
    const auto nameEnd = std::find(payload.begin(), payload.end(), std::uint8_t{0});
    if (nameEnd == payload.end()) return std::nullopt;
    head.Name.assign(payload.begin(), nameEnd);
    std::int64_t size = 0;
    bool anyDigit = false;
    for (auto it = nameEnd + 1; it != payload.end() && *it >= '0' && *it <= '9'; ++it) {
        size = size * 10 + (*it - '0');
        if (size > kMaxLargeImageSize) return std::nullopt;
        anyDigit = true;
    }
    if (!anyDigit) return std::nullopt;
    head.Size = static_cast<std::int32_t>(size);
    return head;
}

}  // namespace ymodem
