#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "UserFolders.h"

namespace ymodem {

// Where a system may keep the settings file.
struct SettingsPlaces {
    // Used while it exists and its folder takes new files (a replacement is written
    // beside it); may be empty.
    std::filesystem::path SharedFile;
    // Used otherwise; its folder is created when missing.
    std::filesystem::path UserFile;
    // When UserFile is missing, the first of these that exists is copied there, so that
    // moving to UserFile loses no settings.
    std::vector<std::filesystem::path> ImportFrom;
};

using FolderCheck = std::function<bool(const std::filesystem::path& folder)>;

// Windows: c:\YmodemCfg.ini where earlier versions kept it and it can still be replaced
// there; otherwise %LOCALAPPDATA%\ymodem-burner\YmodemCfg.ini, which starts as a copy of
// the one Windows' file virtualization kept for earlier 32-bit versions
// (%LOCALAPPDATA%\VirtualStore\YmodemCfg.ini, what those versions saw), or else of
// c:\YmodemCfg.ini. A normal user may not create files in c:\ since Windows Vista.
// Elsewhere: YmodemCfg.ini in the user's configuration folder, or in the working folder
// when the environment names none.
SettingsPlaces SystemSettingsPlaces(const EnvironmentLookup& environment);

// The file to use, after creating UserFile's folder and importing as described above.
// Errors are ignored: reads then see a missing file and writes fail quietly.
std::filesystem::path ChooseSettingsFile(const SettingsPlaces& places,
                                         const FolderCheck& canTakeNewFile);

// The settings file of this system and user, in UTF-8, found anew at each call.
std::string SettingsFilePath();

}  // namespace ymodem
