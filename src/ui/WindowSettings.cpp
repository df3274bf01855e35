#include "WindowSettings.h"

#include <algorithm>

#include "BaudRates.h"
#include "IniSettings.h"
#include "NumberText.h"
#include "SettingsLocation.h"
#include "UserFolders.h"

namespace ymodem {

namespace {

constexpr const char* kSection = "Para1";

}  // namespace

WindowSettings::WindowSettings(Location location) : location_(std::move(location)) {}

std::string WindowSettings::Read(const char* key, const std::string& defaultValue) const {
    return ReadIniStr(location_(), kSection, key, defaultValue);
}

void WindowSettings::Write(const char* key, const std::string& value) const {
    WriteIniStr(location_(), kSection, key, value);
}

std::int16_t WindowSettings::BaudEntryFromText(const std::string& text) {
    const std::int16_t lastEntry = static_cast<std::int16_t>(kBaudRates.size() - 1);
    const double number = LeadingNumber(text);
    const auto rounded = RoundToInt16(number);
    if (!rounded) return number > 0 ? lastEntry : 0;
    return std::clamp<std::int16_t>(*rounded, 0, lastEntry);
}

std::string WindowSettings::DefaultBurnFilePath() {
    return ymodem::DefaultBurnFilePath();
}

}  // namespace ymodem
