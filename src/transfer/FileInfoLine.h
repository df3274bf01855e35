#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ymodem {

// "文件大小: <size>  包数: <blocks>  crc: 0x<HI><LO>", each CRC byte in upper-case
// hexadecimal without a leading zero.
std::string FileInfoLine(std::int32_t fileSize, std::int32_t packCount,
                         std::array<std::uint8_t, 2> crc);

}  // namespace ymodem
