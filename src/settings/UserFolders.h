#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "Platform.h"

// Where this user's things are on this system, in one place, so that the window, the
// virtual device and the settings store always agree. Tests pass their own environment.
namespace ymodem {

using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The user's configuration folder: %LOCALAPPDATA% on Windows; elsewhere $XDG_CONFIG_HOME,
// or ~/.config when that is unset or relative (the XDG rules ignore a relative one).
// Nothing when the environment names no absolute folder.
std::optional<std::filesystem::path> UserConfigFolder(
    const EnvironmentLookup& environment = EnvironmentValue);

// ymodem-burner/ports in the configuration folder: the links there are offered as ports.
std::optional<std::filesystem::path> PortsFolder(
    const EnvironmentLookup& environment = EnvironmentValue);

// The burn-file path before the user ever chose one, in UTF-8: a folder, so that the
// first load fails and the file dialog opens there. C:\ on Windows, the home folder
// (with a closing "/") elsewhere.
std::string DefaultBurnFilePath(const EnvironmentLookup& environment = EnvironmentValue);

}  // namespace ymodem
