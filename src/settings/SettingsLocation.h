#pragma once

#include <string>

namespace ymodem {

// Where the settings file lives: c:\YmodemCfg.ini on Windows, where the earlier
// versions of the program kept it; elsewhere YmodemCfg.ini in $XDG_CONFIG_HOME, or in
// ~/.config when that is unset. The folder is created when missing (errors ignored:
// reads then see a missing file and writes fail quietly).
std::string SettingsFilePath();

}  // namespace ymodem
