#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ymodem::test {

// Frames as the protocol's layout describes them, built without the code under test.

// CRC-16/XMODEM, one bit at a time.
std::uint16_t ReferenceCrc16(std::span<const std::uint8_t> bytes);

// A data block: SOH or STX, the number and its complement, size bytes of the image from
// offset (0x1A past its end), the CRC high byte first.
std::vector<std::uint8_t> ExpectedDataFrame(const std::vector<std::uint8_t>& image,
                                            std::size_t offset, std::size_t size,
                                            std::uint8_t pgno);
// Block 0: the name's bytes, NUL, the size in decimal, NUL padding.
std::vector<std::uint8_t> ExpectedHeadFrame(const std::vector<std::uint8_t>& name,
                                            std::size_t fileSize);

}  // namespace ymodem::test
