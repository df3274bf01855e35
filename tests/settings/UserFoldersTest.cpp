#include "UserFolders.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "Utf8Path.h"

namespace ymodem {
namespace {

namespace fs = std::filesystem;

struct FolderCase {
    const char* name;
    std::map<std::string, std::string> environment;
    const char* configFolder;  // nullptr: none
    const char* burnFilePath;
};

EnvironmentLookup Environment(const std::map<std::string, std::string>& values) {
    return [&values](const std::string& name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    };
}

#ifdef _WIN32
const FolderCase kCases[] = {
    {"local application data",
     {{"LOCALAPPDATA", "C:\\Users\\张三\\AppData\\Local"}},
     "C:\\Users\\张三\\AppData\\Local",
     "C:\\"},
    {"unset", {}, nullptr, "C:\\"},
    {"relative", {{"LOCALAPPDATA", "AppData"}}, nullptr, "C:\\"},
};
#else
const FolderCase kCases[] = {
    {"XDG_CONFIG_HOME",
     {{"XDG_CONFIG_HOME", "/x/配置"}, {"HOME", "/home/u"}},
     "/x/配置",
     "/home/u/"},
    {"XDG_CONFIG_HOME unset", {{"HOME", "/home/u/"}}, "/home/u/.config", "/home/u/"},
    {"XDG_CONFIG_HOME empty",
     {{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}},
     "/home/u/.config",
     "/home/u/"},
    {"XDG_CONFIG_HOME relative",
     {{"XDG_CONFIG_HOME", "x"}, {"HOME", "/home/u"}},
     "/home/u/.config",
     "/home/u/"},
    {"no home", {{"HOME", ""}}, nullptr, "/"},
};
#endif

// The window lists the links in PortsFolder and the virtual device puts its own there,
// so both follow these rules.
TEST(SettingsUserFolders, ConfigPortsAndDefaultBurnFilePathFollowTheSystemsRules) {
    for (const FolderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const EnvironmentLookup environment = Environment(c.environment);
        if (c.configFolder == nullptr) {
            EXPECT_FALSE(UserConfigFolder(environment));
            EXPECT_FALSE(PortsFolder(environment));
        } else {
            const fs::path config = PathFromUtf8(c.configFolder);
            EXPECT_EQ(UserConfigFolder(environment), config);
            EXPECT_EQ(PortsFolder(environment), config / "ymodem-burner" / "ports");
        }
        EXPECT_EQ(DefaultBurnFilePath(environment), c.burnFilePath);
    }
}

}  // namespace
}  // namespace ymodem
