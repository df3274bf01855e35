#include "IniDocument.h"

#include <algorithm>

namespace ymodem {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// Only ASCII folds: a locale-aware lower() would change the trail bytes of multi-byte
// characters such as GBK ones.
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

enum class LineKind { kSection, kKey, kOther };

struct ParsedLine {
    LineKind kind = LineKind::kOther;
    std::string_view name;
    std::size_t valueBegin = 0;  // just after the '=' of a key line
};

ParsedLine ParseLine(std::string_view content) {
    const std::string_view text = TrimBlanks(content);
    if (text.starts_with(';')) {
        return {};
    }
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close != std::string_view::npos) {
            return {LineKind::kSection, TrimBlanks(text.substr(1, close - 1))};
        }
    }
    const auto equals = content.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return {LineKind::kKey, TrimBlanks(content.substr(0, equals)), equals + 1};
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

// Whatever is written must parse back as the same section, key and value; anything
// else would leave a line that the next read misses, and every start would add another.
bool CanStore(std::string_view section, std::string_view key, std::string_view value) {
    return !HasLineBreak(section) && !HasLineBreak(key) && !HasLineBreak(value) &&
           section.find(']') == section.npos && key.find('=') == key.npos &&
           !key.starts_with(';') && !key.starts_with('[');
}

}  // namespace

std::optional<std::string> IniDocument::Value(std::string_view section,
                                              std::string_view key) const {
    const KeyPlace place = FindKey(TrimBlanks(section), TrimBlanks(key));
    if (!place.keyLine) {
        return std::nullopt;
    }
    const std::string_view content = Content(*place.keyLine);
    return std::string(TrimBlanks(content.substr(ParseLine(content).valueBegin)));
}

bool IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value,
                           std::string_view lineEnd) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!CanStore(section, key, value)) {
        return false;
    }
    const KeyPlace place = FindKey(section, key);
    const std::string keyLine = std::string(key) + '=' + std::string(value);
    if (place.keyLine) {
        ReplaceValue(*place.keyLine, value);
    } else if (place.sectionFound) {
        InsertLines(place.newKeyOffset, {keyLine}, lineEnd);
    } else {
        const std::string header = '[' + std::string(section) + ']';
        InsertLines(bytes_.size(), {header, keyLine}, lineEnd);
    }
    return true;
}

bool IniDocument::Utf8Marked() const {
    return bytes_.starts_with(kUtf8Mark);
}

std::size_t IniDocument::FirstLineBegin() const {
    return Utf8Marked() ? kUtf8Mark.size() : 0;
}

std::optional<IniDocument::Line> IniDocument::LineAt(std::size_t begin) const {
    if (begin >= bytes_.size()) {
        return std::nullopt;
    }
    const auto newline = bytes_.find('\n', begin);
    Line line{begin, bytes_.size(), bytes_.size()};
    if (newline != std::string::npos) {
        line.contentEnd = newline;
        line.end = newline + 1;
    }
    // A '\r' at the very end of the file is also a line break.
    if (line.contentEnd > begin && bytes_[line.contentEnd - 1] == '\r') {
        --line.contentEnd;
    }
    return line;
}

std::string_view IniDocument::Content(const Line& line) const {
    return std::string_view(bytes_).substr(line.begin, line.contentEnd - line.begin);
}

// One pass over the lines, so that a huge file costs time in proportion to its size.
IniDocument::KeyPlace IniDocument::FindKey(std::string_view section, std::string_view key) const {
    KeyPlace place;
    bool inSection = false;
    for (auto line = LineAt(FirstLineBegin()); line; line = LineAt(line->end)) {
        const ParsedLine parsed = ParseLine(Content(*line));
        if (parsed.kind == LineKind::kSection) {
            if (place.sectionFound) {
                break;  // only the first section of that name counts
            }
            inSection = SameName(parsed.name, section);
            if (inSection) {
                place.sectionFound = true;
                place.newKeyOffset = line->end;
            }
        } else if (inSection && parsed.kind == LineKind::kKey) {
            if (SameName(parsed.name, key)) {
                place.keyLine = *line;
                break;
            }
            place.newKeyOffset = line->end;
        }
    }
    return place;
}

// Everything up to and including the '=' stays, so the key keeps its spelling and
// indentation; the line keeps its own line break.
void IniDocument::ReplaceValue(const Line& keyLine, std::string_view value) {
    const std::size_t valueBegin = keyLine.begin + ParseLine(Content(keyLine)).valueBegin;
    bytes_.replace(valueBegin, keyLine.contentEnd - valueBegin, value);
}

void IniDocument::InsertLines(std::size_t offset, std::initializer_list<std::string_view> lines,
                              std::string_view lineEnd) {
    std::string text;
    // Lines only go in after a line's end; without a '\n' there, that line is the
    // file's last and unfinished one.
    if (offset > FirstLineBegin() && bytes_[offset - 1] != '\n') {
        text += bytes_[offset - 1] == '\r' ? std::string_view("\n") : lineEnd;
    }
    for (const std::string_view line : lines) {
        text += line;
        text += lineEnd;
    }
    bytes_.insert(offset, text);
}

}  // namespace ymodem
