#include "Crc16.h"

#include "RangeError.h"

namespace ymodem {

namespace {

constexpr std::uint16_t kPolynomial = 0x1021;

constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ kPolynomial)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::array<std::uint8_t, 2> CalcCrc16(std::span<const std::uint8_t> arr, std::int16_t start,
                                      std::int16_t count) {
    const std::int32_t end = std::int32_t{start} + count;
    if (start < 0 || count < 0 || end > std::numeric_limits<std::int16_t>::max() ||
        static_cast<std::size_t>(end) > arr.size()) {
        throw RangeError("CRC range outside the data");
    }
    return CalcCrc16(arr.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

std::array<std::uint8_t, 2> CalcCrc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
    }
    return {static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc & 0xFF)};
}

}  // namespace ymodem
