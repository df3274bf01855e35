#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ymodem {

// CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection, no final XOR) over
// arr[start] .. arr[start + count - 1], as [high byte, low byte]. start + count must stay
// within the signed 16-bit range and inside arr; otherwise RangeError is thrown.
std::array<std::uint8_t, 2> CalcCrc16(std::span<const std::uint8_t> arr, std::int16_t start,
                                      std::int16_t count);

// The same CRC over the whole of bytes, of any length: the checksum of an image beyond the
// window's size limit.
std::array<std::uint8_t, 2> CalcCrc16(std::span<const std::uint8_t> bytes);

}  // namespace ymodem
