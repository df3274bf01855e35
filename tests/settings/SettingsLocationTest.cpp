#include "SettingsLocation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "ScopedEnvironment.h"
#include "TempFolder.h"

namespace ymodem {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

TEST(SettingsLocation, IsOnDriveC) {
    EXPECT_EQ(SettingsFilePath(), "c:\\YmodemCfg.ini");
}

#else

struct LocationCase {
    const char* name;
    std::optional<std::string> configHome;
    bool inTestFolder;           // configHome lies below the test folder
    std::string expectedFolder;  // below the test folder
};

TEST(SettingsLocation, FollowsXdgConfigHomeAndCreatesTheFolder) {
    const LocationCase cases[] = {
        {"XDG_CONFIG_HOME set", "xdg/nested", true, "xdg/nested"},
        {"XDG_CONFIG_HOME unset", std::nullopt, false, "home/.config"},
        {"XDG_CONFIG_HOME empty", "", false, "home/.config"},
        {"XDG_CONFIG_HOME relative", "relative", false, "home/.config"},
    };
    for (const LocationCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        std::optional<std::string> configHome = c.configHome;
        if (c.inTestFolder) {
            configHome = (folder.Path() / *configHome).string();
        }
        const test::ScopedEnvironment xdg("XDG_CONFIG_HOME", configHome);
        const test::ScopedEnvironment home("HOME", (folder.Path() / "home").string());
        const fs::path expectedFolder = folder.Path() / c.expectedFolder;

        EXPECT_EQ(SettingsFilePath(), (expectedFolder / "YmodemCfg.ini").string());
        EXPECT_TRUE(fs::is_directory(expectedFolder));
    }
}

#endif

}  // namespace
}  // namespace ymodem
