#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "SettingsLocation.h"

namespace ymodem {

// The window's values in the settings file, section Para1: texts are UTF-8 here and in
// the file's own encoding there. Every access opens the file anew.
class WindowSettings {
public:
    // Gives the settings file's path, asked anew at every access.
    using Location = std::function<std::string()>;

    explicit WindowSettings(Location location = SettingsFilePath);

    // The stored value; a missing or empty one is replaced by defaultValue, which is
    // written back.
    std::string Read(const char* key, const std::string& defaultValue) const;
    void Write(const char* key, const std::string& value) const;

    // The baud list's entry for a stored "CboBaud": negative numbers and non-numbers select
    // the first entry, numbers past the last entry (or beyond 16 bits) the last one.
    static std::int16_t BaudEntryFromText(const std::string& text);
    // The path to start from when none is stored: a folder, so the first load fails and the
    // file dialog opens there.
    static std::string DefaultBurnFilePath();

private:
    Location location_;
};

}  // namespace ymodem
