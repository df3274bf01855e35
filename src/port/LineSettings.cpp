#include "LineSettings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>
#include <vector>

namespace ymodem {

namespace {

constexpr std::array<std::pair<char, LineSettings::Parity>, 5> kParityLetters{{
    {'N', LineSettings::Parity::kNone},
    {'E', LineSettings::Parity::kEven},
    {'O', LineSettings::Parity::kOdd},
    {'M', LineSettings::Parity::kMark},
    {'S', LineSettings::Parity::kSpace},
}};

constexpr std::array<std::pair<const char*, LineSettings::StopBits>, 3> kStopTexts{{
    {"1", LineSettings::StopBits::kOne},
    {"1.5", LineSettings::StopBits::kOneAndHalf},
    {"2", LineSettings::StopBits::kTwo},
}};

// The blanks beyond ASCII that a settings text may carry around its fields, in UTF-8:
// the no-break, wide and ideographic spaces among them.
constexpr std::array<std::string_view, 19> kWideBlanks{
    "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003",
    "\u2004", "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200A",
    "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};

bool IsAsciiBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The length of the blank that the text starts (or, atEnd, ends) with; 0 for none.
std::size_t BlankAt(std::string_view text, bool atEnd) {
    if (text.empty()) return 0;
    if (IsAsciiBlank(atEnd ? text.back() : text.front())) return 1;
    for (const std::string_view blank : kWideBlanks) {
        if (atEnd ? text.ends_with(blank) : text.starts_with(blank)) return blank.size();
    }
    return 0;
}

std::string_view Trimmed(std::string_view text) {
    while (const std::size_t blank = BlankAt(text, false)) text.remove_prefix(blank);
    while (const std::size_t blank = BlankAt(text, true)) text.remove_suffix(blank);
    return text;
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t comma; (comma = text.find(',')) != std::string_view::npos;) {
        fields.push_back(Trimmed(text.substr(0, comma)));
        text.remove_prefix(comma + 1);
    }
    fields.push_back(Trimmed(text));
    return fields;
}

std::optional<int> ReadBaudRate(std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
    return value;
}

std::optional<LineSettings::Parity> ReadParity(std::string_view text) {
    if (text.size() != 1) return std::nullopt;
    const char letter =
        text[0] >= 'a' && text[0] <= 'z' ? static_cast<char>(text[0] - 'a' + 'A') : text[0];
    for (const auto& [candidate, parity] : kParityLetters) {
        if (candidate == letter) return parity;
    }
    return std::nullopt;
}

std::optional<int> ReadDataBits(std::string_view text) {
    if (text.size() != 1 || text[0] < '5' || text[0] > '8') return std::nullopt;
    return text[0] - '0';
}

std::optional<LineSettings::StopBits> ReadStopBits(std::string_view text) {
    for (const auto& [candidate, stop] : kStopTexts) {
        if (text == candidate) return stop;
    }
    return std::nullopt;
}

}  // namespace

std::optional<LineSettings> LineSettings::Parse(std::string_view text) {
    const std::vector<std::string_view> fields = Fields(text);
    if (fields.size() != 4) return std::nullopt;

    const auto baudRate = ReadBaudRate(fields[0]);
    const auto parity = ReadParity(fields[1]);
    const auto dataBits = ReadDataBits(fields[2]);
    const auto stopBits = ReadStopBits(fields[3]);
    if (!baudRate || !parity || !dataBits || !stopBits) return std::nullopt;

    LineSettings settings;
    settings.baudRate_ = *baudRate;
    settings.parity_ = *parity;
    settings.dataBits_ = *dataBits;
    settings.stopBits_ = *stopBits;
    return settings;
}

std::string LineSettings::Text() const {
    char parityLetter = 'N';
    for (const auto& [letter, parity] : kParityLetters) {
        if (parity == parity_) parityLetter = letter;
    }
    const char* stopText = "1";
    for (const auto& [text, stop] : kStopTexts) {
        if (stop == stopBits_) stopText = text;
    }
    return std::to_string(baudRate_) + ',' + parityLetter + ',' + std::to_string(dataBits_) + ',' +
           stopText;
}

}  // namespace ymodem
