#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ymodem {

// One complete SOH or STX frame as the receiver judges it.
struct BlockView {
    std::uint8_t Number = 0;
    bool ComplementOk = false;
    bool CrcOk = false;
    std::span<const std::uint8_t> Payload;  // points into the frame it was read from

    bool Intact() const { return ComplementOk && CrcOk; }
};

BlockView ReadBlock(std::span<const std::uint8_t> frame);

// What block 0 announces. An empty name ends a batch and carries nothing else.
struct HeadBlock {
    bool EndsBatch = false;
    std::string Name;  // the sender's 8-bit text, unchanged
    std::int32_t Size = 0;
};

// Gives nothing for a header this device cannot take: no name terminator, no size, or an
// image larger than the device takes (256 MiB). The size field ends at the first non-digit, since
// standard senders follow it with a space and more fields.
std::optional<HeadBlock> ReadHeadBlock(std::span<const std::uint8_t> payload);

}  // namespace ymodem
