#include "IniSettings.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "IniDocument.h"
#include "Platform.h"
#include "SystemEncoding.h"
#include "Utf8Path.h"
#include "WholeFile.h"

namespace ymodem {

namespace {

// A file that starts with the UTF-8 mark holds UTF-8 text and is written back as such;
// any other holds the system's 8-bit text, as the profile functions read it.
std::string ToFileText(const IniDocument& document, const std::string& text) {
    return document.Utf8Marked() ? text : ToSystem8Bit(text);
}

std::string FromFileText(const IniDocument& document, const std::string& bytes) {
    return document.Utf8Marked() ? bytes : FromSystem8Bit(bytes);
}

void StoreValue(const std::filesystem::path& file, IniDocument document, const std::string& section,
                const std::string& key, const std::string& value) {
    if (document.SetValue(ToFileText(document, section), ToFileText(document, key),
                          ToFileText(document, value), NativeLineEnd())) {
        ReplaceWholeFile(file, document.Bytes());
    }
}

}  // namespace

std::string ReadIniStr(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    const std::filesystem::path path = PathFromUtf8(file);
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        return defaultValue;  // a file that exists but cannot be read is never replaced
    }
    IniDocument document(std::move(*bytes));
    const std::optional<std::string> value =
        document.Value(ToFileText(document, section), ToFileText(document, key));
    if (value && !value->empty()) {
        return FromFileText(document, *value);
    }
    StoreValue(path, std::move(document), section, key, defaultValue);
    return defaultValue;
}

void WriteIniStr(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    const std::filesystem::path path = PathFromUtf8(file);
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (bytes) {
        StoreValue(path, IniDocument(std::move(*bytes)), section, key, value);
    }
}

}  // namespace ymodem
