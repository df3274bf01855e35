// Writes one value into an arbitrary INI text and checks that it reads back and that every
// other line survives byte for byte. The input is: a flags byte, the lengths and bytes of
// the section, key and value, then the file's content.
//   flags bit 0: section, key and value made printable
//   flags bit 1: new lines end with CRLF, else LF
//   flags bit 2: section and key taken from the content's own lines (next byte picks them)
//   flags bits 4-7 all set: the same edit also goes through the settings file calls
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "FuzzInput.h"
#include "IniDocument.h"
#include "IniSettings.h"
#include "Platform.h"
#include "SystemEncoding.h"
#include "Utf8Path.h"

namespace ymodem::fuzz {

namespace {

std::string Trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return std::string(text.substr(begin, end - begin));
}

struct TextLine {
    std::string Content;  // without its '\n'
    bool Ended = false;   // a '\n' follows
};

std::vector<TextLine> SplitLines(std::string_view text) {
    std::vector<TextLine> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t newline = text.find('\n', begin);
        if (newline == std::string_view::npos) {
            lines.push_back({std::string(text.substr(begin)), false});
            break;
        }
        lines.push_back({std::string(text.substr(begin, newline - begin)), true});
        begin = newline + 1;
    }
    return lines;
}

std::string Printable(std::string text) {
    for (char& c : text) c = static_cast<char>(' ' + static_cast<unsigned char>(c) % 95);
    return text;
}

// Names that occur in the content, so that existing sections and keys get edited too.
void PickExisting(const std::string& content, std::uint8_t pick, std::string& section,
                  std::string& key) {
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    for (const TextLine& line : SplitLines(content)) {
        const std::string text = Trimmed(line.Content);
        const auto close = text.find(']');
        if (text.starts_with('[') && close != std::string::npos) {
            sections.push_back(text.substr(1, close - 1));
        } else if (const auto equals = line.Content.find('='); equals != std::string::npos) {
            keys.push_back(line.Content.substr(0, equals));
        }
    }
    if (!sections.empty()) section = sections[(pick & 0x0F) % sections.size()];
    if (!keys.empty()) key = keys[(pick >> 4) % keys.size()];
}

// Reasons the document gives for refusing an entry; any other refusal is a fault.
bool Unstorable(std::string_view section, std::string_view key, std::string_view value) {
    const auto breaks = [](std::string_view text) {
        return text.find_first_of("\r\n") != text.npos;
    };
    const std::string trimmedKey = Trimmed(key);
    return breaks(section) || breaks(key) || breaks(value) || section.find(']') != section.npos ||
           key.find('=') != key.npos || trimmedKey.starts_with(';') || trimmedKey.starts_with('[');
}

void CheckOtherLinesKept(std::string_view before, std::string_view after, bool replaced,
                         std::string_view lineEnd) {
    const std::vector<TextLine> old = SplitLines(before);
    const std::vector<TextLine> now = SplitLines(after);
    if (replaced) {
        Require(now.size() == old.size(), "a replaced value adds no line");
        int changed = 0;
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (old[i].Content == now[i].Content && old[i].Ended == now[i].Ended) continue;
            ++changed;
            const std::string_view was = old[i].Content;
            const std::string_view is = now[i].Content;
            const std::size_t keyEnd = was.find('=') + 1;
            Require(is.substr(0, keyEnd) == was.substr(0, keyEnd), "the key keeps its spelling");
            Require(now[i].Ended == old[i].Ended && was.ends_with('\r') == is.ends_with('\r'),
                    "the key's line keeps its line break");
        }
        Require(changed <= 1, "only the key's line changes");
        return;
    }
    Require(now.size() == old.size() + 1 || now.size() == old.size() + 2,
            "a new key adds its line and at most a section line");
    std::size_t at = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
        const bool last = i + 1 == old.size();
        const auto same = [&](const TextLine& line) {
            if (line.Content == old[i].Content) return line.Ended || !old[i].Ended;
            // The unfinished last line may get a CRLF when a line goes in after it.
            return last && !old[i].Ended && lineEnd == "\r\n" &&
                   line.Content == old[i].Content + '\r';
        };
        while (at < now.size() && !same(now[at])) ++at;
        Require(at < now.size(), "every other line is kept, in order");
        ++at;
    }
}

class TempFolder {
public:
    TempFolder()
        : path_(Base() / ("ymodem-fuzz-settings-" + std::to_string(std::random_device()()))) {
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path File() const { return path_ / "settings.ini"; }

private:
    // Every write syncs the file to disk; on a memory file system that costs nothing, so
    // the file calls can run as often as the fuzzer picks them.
    static std::filesystem::path Base() {
        std::error_code error;
        if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
        return std::filesystem::temp_directory_path();
    }

    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file calls add reading, atomic replacement and the default on an empty value.
void CheckThroughFile(const std::string& content, const std::string& section,
                      const std::string& key, const std::string& value) {
    static const TempFolder folder;
    const std::filesystem::path path = folder.File();
    const std::string file = Utf8FromPath(path);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;

    IniDocument expected(content);
    // The file calls take text, and store it in the file's own encoding.
    const bool utf8 = expected.Utf8Marked();
    const auto inFile = [utf8](const std::string& text) {
        return utf8 ? text : ToSystem8Bit(text);
    };
    expected.SetValue(inFile(section), inFile(key), inFile(value), NativeLineEnd());
    WriteIniStr(file, section, key, value);
    Require(ReadFile(path) == expected.Bytes(), "the file holds what the document wrote");

    const std::string fallback = "fallback";
    const std::optional<std::string> stored = expected.Value(inFile(section), inFile(key));
    const std::string read = ReadIniStr(file, section, key, fallback);
    const auto asText = [utf8](const std::string& bytes) {
        return utf8 ? bytes : FromSystem8Bit(bytes);
    };
    Require(read == (stored && !stored->empty() ? asText(*stored) : fallback),
            "a stored value reads back, a missing or empty one gives the default");
}

}  // namespace

}  // namespace ymodem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ymodem;
    using namespace ymodem::fuzz;
    FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::size_t sectionLength = in.Byte() % 24;
    const std::size_t keyLength = in.Byte() % 24;
    const std::size_t valueLength = in.Byte() % 48;
    const std::uint8_t pick = flags & 4 ? in.Byte() : 0;
    std::string section = in.Text(sectionLength);
    std::string key = in.Text(keyLength);
    std::string value = in.Text(valueLength);
    if (flags & 1) {
        section = Printable(section);
        key = Printable(key);
        value = Printable(value);
    }
    const std::string lineEnd = flags & 2 ? "\r\n" : "\n";
    const std::string content = in.Rest();
    if (flags & 4) PickExisting(content, pick, section, key);

    IniDocument document(content);
    const bool existed = document.Value(section, key).has_value();
    if (!document.SetValue(section, key, value, lineEnd)) {
        Require(document.Bytes() == content, "a refused entry changes nothing");
        Require(Unstorable(Trimmed(section), Trimmed(key), value),
                "only entries that would not read back are refused");
        return 0;
    }
    Require(!Unstorable(Trimmed(section), Trimmed(key), value), "unreadable entry accepted");

    const IniDocument reread(document.Bytes());
    Require(reread.Value(section, key) == Trimmed(value), "the value written reads back");
    CheckOtherLinesKept(content, document.Bytes(), existed, lineEnd);

    IniDocument again(document.Bytes());
    Require(again.SetValue(section, key, value, lineEnd) && again.Bytes() == document.Bytes(),
            "writing the same value twice changes nothing more");

    if ((flags & 0xF0) == 0xF0) CheckThroughFile(content, section, key, value);
    return 0;
}
