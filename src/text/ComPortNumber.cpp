#include "ComPortNumber.h"

#include <charconv>

#include "NumberText.h"

namespace ymodem {

namespace {

constexpr std::size_t kPrefixCharacters = 3;
constexpr int kHighestPort = 255;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Where the text after its first `count` characters begins, or nothing when it has fewer.
std::optional<std::size_t> OffsetAfterCharacters(std::string_view utf8, std::size_t count) {
    std::size_t offset = 0;
    for (std::size_t seen = 0; seen < count; ++seen) {
        if (offset >= utf8.size()) return std::nullopt;
        ++offset;
        while (offset < utf8.size() && IsContinuationByte(utf8[offset])) ++offset;
    }
    return offset;
}

}  // namespace

std::string ComPortName(int number) {
    return "COM" + std::to_string(number);
}

std::optional<int> ComPortNumberFromListText(std::string_view listText) {
    const auto numberBegins = OffsetAfterCharacters(listText, kPrefixCharacters);
    if (!numberBegins) return std::nullopt;
    const auto number = RoundToInt16(LeadingNumber(listText.substr(*numberBegins)));
    if (!number) return std::nullopt;
    return *number;
}

bool IsOpenableComPortName(std::string_view name) {
    const auto numberBegins = OffsetAfterCharacters(name, kPrefixCharacters);
    if (!numberBegins) return false;
    const std::string_view digits = name.substr(*numberBegins);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end == digits.data() + digits.size() && number >= 1 &&
           number <= kHighestPort;
}

}  // namespace ymodem
