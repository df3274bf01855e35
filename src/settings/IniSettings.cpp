#include "IniSettings.h"

#include <optional>
#include <utility>

#include "IniDocument.h"
#include "Platform.h"
#include "WholeFile.h"

namespace ymodem {

namespace {

void StoreValue(const std::string& file, IniDocument document, const std::string& section,
                const std::string& key, const std::string& value) {
    if (document.SetValue(section, key, value, NativeLineEnd())) {
        ReplaceWholeFile(file, document.Bytes());
    }
}

}  // namespace

std::string ReadIniStr(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    std::optional<std::string> bytes = ReadWholeFile(file);
    if (!bytes) {
        return defaultValue;  // a file that exists but cannot be read is never replaced
    }
    IniDocument document(std::move(*bytes));
    std::optional<std::string> value = document.Value(section, key);
    if (value && !value->empty()) {
        return std::move(*value);
    }
    StoreValue(file, std::move(document), section, key, defaultValue);
    return defaultValue;
}

void WriteIniStr(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    std::optional<std::string> bytes = ReadWholeFile(file);
    if (bytes) {
        StoreValue(file, IniDocument(std::move(*bytes)), section, key, value);
    }
}

}  // namespace ymodem
