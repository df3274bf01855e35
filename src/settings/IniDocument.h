#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ymodem {

// The bytes of one INI file, kept exactly as read so that writing one value changes
// nothing else. Bytes are never converted: names and values are in the file's own
// encoding, and only ASCII letters match without regard to case. A UTF-8 byte-order mark
// at the head, as Notepad writes one, belongs to no line and stays where it is.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string bytes) : bytes_(std::move(bytes)) {}

    // The value of the first matching key in the first matching section, blanks
    // trimmed; nothing when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Returns false, leaving the bytes unchanged, for entries that would not read back:
    // a line break anywhere, ']' in the section, '=' in the key or a key that starts
    // like a comment or a section.
    // Lines added use `lineEnd`; lines already present keep theirs.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value,
                  std::string_view lineEnd);

    const std::string& Bytes() const { return bytes_; }
    // Whether the file starts with the UTF-8 byte-order mark: its text is then UTF-8.
    bool Utf8Marked() const;

private:
    struct Line {
        std::size_t begin;
        std::size_t contentEnd;  // before the line break
        std::size_t end;         // after the line break
    };
    struct KeyPlace {
        bool sectionFound = false;
        std::optional<Line> keyLine;
        std::size_t newKeyOffset = 0;  // where a missing key's line goes
    };

    std::size_t FirstLineBegin() const;
    std::optional<Line> LineAt(std::size_t begin) const;
    std::string_view Content(const Line& line) const;
    KeyPlace FindKey(std::string_view section, std::string_view key) const;
    void ReplaceValue(const Line& keyLine, std::string_view value);
    void InsertLines(std::size_t offset, std::initializer_list<std::string_view> lines,
                     std::string_view lineEnd);

    std::string bytes_;
};

}  // namespace ymodem
