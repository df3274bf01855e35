#include "IniSettings.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "IniDocument.h"
#include "Platform.h"
#include "Utf8Path.h"
#include "WholeFile.h"

namespace ymodem {

namespace {

void StoreValue(const std::filesystem::path& file, IniDocument document, const std::string& section,
                const std::string& key, const std::string& value) {
    if (document.SetValue(section, key, value, NativeLineEnd())) {
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
    std::optional<std::string> value = document.Value(section, key);
    if (value && !value->empty()) {
        return std::move(*value);
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
