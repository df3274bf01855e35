#include "SettingsLocation.h"

#ifndef _WIN32
#include <cstdlib>
#include <filesystem>
#include <system_error>
#endif

namespace ymodem {

namespace {

constexpr const char* kFileName = "YmodemCfg.ini";

#ifndef _WIN32

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The XDG rules say a relative XDG_CONFIG_HOME is invalid and must be ignored.
std::filesystem::path ConfigFolder() {
    const std::filesystem::path configHome = EnvironmentValue("XDG_CONFIG_HOME");
    if (configHome.is_absolute()) {
        return configHome;
    }
    return std::filesystem::path(EnvironmentValue("HOME")) / ".config";
}

#endif

}  // namespace

#ifdef _WIN32

std::string SettingsFilePath() {
    return std::string("c:\\") + kFileName;
}

#else

std::string SettingsFilePath() {
    const std::filesystem::path folder = ConfigFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / kFileName).string();
}

#endif

}  // namespace ymodem
