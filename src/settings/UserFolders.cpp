#include "UserFolders.h"

#include "Utf8Path.h"

namespace ymodem {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> AbsoluteFolder(const EnvironmentLookup& environment,
                                       const std::string& name) {
    const std::optional<std::string> value = environment(name);
    if (!value || value->empty()) return std::nullopt;
    fs::path folder = PathFromUtf8(*value);
    if (!folder.is_absolute()) return std::nullopt;
    return folder;
}

}  // namespace

#ifdef _WIN32

std::optional<fs::path> UserConfigFolder(const EnvironmentLookup& environment) {
    return AbsoluteFolder(environment, "LOCALAPPDATA");
}

std::string DefaultBurnFilePath(const EnvironmentLookup&) {
    return "C:\\";
}

#else

std::optional<fs::path> UserConfigFolder(const EnvironmentLookup& environment) {
    if (auto configHome = AbsoluteFolder(environment, "XDG_CONFIG_HOME")) return configHome;
    if (auto home = AbsoluteFolder(environment, "HOME")) return *home / ".config";
    return std::nullopt;
}

std::string DefaultBurnFilePath(const EnvironmentLookup& environment) {
    const std::optional<fs::path> home = AbsoluteFolder(environment, "HOME");
    if (!home) return "/";
    std::string path = Utf8FromPath(home->lexically_normal());
    if (!path.ends_with('/')) path += '/';
    return path;
}

#endif

std::optional<fs::path> PortsFolder(const EnvironmentLookup& environment) {
    const std::optional<fs::path> config = UserConfigFolder(environment);
    if (!config) return std::nullopt;
    return *config / "ymodem-burner" / "ports";
}

}  // namespace ymodem
