#include "FileInfoLine.h"

namespace ymodem {

namespace {

std::string HexWithoutLeadingZero(std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    if (byte >= 0x10) text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
    return text;
}

}  // namespace

std::string FileInfoLine(std::int32_t fileSize, std::int32_t packCount,
                         std::array<std::uint8_t, 2> crc) {
    return "文件大小: " + std::to_string(fileSize) + "  包数: " + std::to_string(packCount) +
           "  crc: 0x" + HexWithoutLeadingZero(crc[0]) + HexWithoutLeadingZero(crc[1]);
}

}  // namespace ymodem
