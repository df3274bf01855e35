#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include "TextEncoder.h"

namespace ymodem {

inline constexpr std::uint8_t kSoh = 0x01;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kCan = 0x18;
inline constexpr std::uint8_t kCrcRequest = 0x43;  // 'C'
inline constexpr std::uint8_t kFill = 0x1A;

inline constexpr std::size_t kShortFrameSize = 133;
inline constexpr std::size_t kLongFrameSize = 1029;

struct DataFrame {
    std::vector<std::uint8_t> Bytes;
    bool RanPastEnd = false;  // at least one position was filled with 0x1A
};

// One data block: 1029 bytes when length >= 1024, else 133. Positions of a 128-byte block
// at or past fileSize hold 0x1A; a 1024-byte block has no end-of-file test. A position
// outside 0 to lastPosition (by default the signed 16-bit range) or outside data throws
// RangeError.
DataFrame BuildDataFrame(std::span<const std::uint8_t> data, std::int32_t fileSize,
                         std::int32_t offset, std::int16_t length, std::uint8_t pgno,
                         std::int32_t lastPosition = std::numeric_limits<std::int16_t>::max());

// Block 0: the name (UTF-8, turned into 8-bit text by encode), NUL, the size in decimal, NUL.
// A name too long for the block is shortened at a character boundary of its 8-bit text.
std::vector<std::uint8_t> BuildHeadFrame(std::string_view name, std::int32_t fileSize,
                                         const TextEncoder& encode);

// The empty block 0 that ends a batch: no name, no size, all 128 positions 0.
std::vector<std::uint8_t> BuildEmptyHeadFrame();

// The last component of a path, split at separator; empty when the path ends with it.
std::string_view LastPathComponent(std::string_view path, char separator);

}  // namespace ymodem
