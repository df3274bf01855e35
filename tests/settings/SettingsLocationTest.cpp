#include "SettingsLocation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "TempFolder.h"

namespace ymodem {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

EnvironmentLookup Environment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const std::string& name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    };
}

struct ChoiceCase {
    const char* name;
    const char* sharedFile;        // content of the shared file; nullptr: none
    bool sharedFolderTakesFiles;   // the injected answer
    const char* virtualStoreFile;  // content of the virtualized copy; nullptr: none
    const char* userFile;          // content of the user's file before; nullptr: none
    bool expectShared;
    const char* expectedUserFile;  // content after; nullptr: still none
};

TEST(SettingsLocation, KeepsTheSharedFileWhereItCanBeReplacedElseImportsIntoTheUsersOwn) {
    const ChoiceCase cases[] = {
        {"shared file replaceable", "[Para1]\r\nSaveComm=COM2\r\n", true, "v", nullptr, true,
         nullptr},
        {"shared file in a folder that refuses new files", "s", false, nullptr, nullptr, false,
         "s"},
        {"the virtualized copy is what the old program saw", "s", false, "v", nullptr, false, "v"},
        {"only a virtualized copy", nullptr, true, "v", nullptr, false, "v"},
        {"nothing anywhere: first start", nullptr, true, nullptr, nullptr, false, nullptr},
        {"the user's file is never overwritten", "s", false, "v", "u", false, "u"},
        {"a shared file beats the user's file", "s", true, "v", "u", true, "u"},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        const SettingsPlaces places{folder.Path() / "c" / "YmodemCfg.ini",
                                    folder.Path() / "local" / "ymodem-burner" / "YmodemCfg.ini",
                                    {folder.Path() / "local" / "VirtualStore" / "YmodemCfg.ini",
                                     folder.Path() / "c" / "YmodemCfg.ini"}};
        const auto place = [](const fs::path& path, const char* content) {
            if (content == nullptr) return;
            fs::create_directories(path.parent_path());
            WriteBytes(path, content);
        };
        place(places.SharedFile, c.sharedFile);
        place(places.ImportFrom[0], c.virtualStoreFile);
        place(places.UserFile, c.userFile);
        fs::path askedAbout;
        const auto answer = [&](const fs::path& folder) {
            askedAbout = folder;
            return c.sharedFolderTakesFiles;
        };

        const fs::path chosen = ChooseSettingsFile(places, answer);

        EXPECT_EQ(chosen, c.expectShared ? places.SharedFile : places.UserFile);
        if (c.sharedFile != nullptr) {
            EXPECT_EQ(askedAbout, places.SharedFile.parent_path());
        }
        if (c.expectedUserFile == nullptr) {
            EXPECT_FALSE(fs::exists(places.UserFile));
        } else {
            EXPECT_EQ(ReadBytes(places.UserFile), c.expectedUserFile);
        }
        if (!c.expectShared) {
            EXPECT_TRUE(fs::is_directory(places.UserFile.parent_path()));
        }
        if (c.sharedFile != nullptr) {
            EXPECT_EQ(ReadBytes(places.SharedFile), c.sharedFile);
        }
    }
}

#ifdef _WIN32

TEST(SettingsLocation, DriveCFirstThenLocalAppData) {
    const SettingsPlaces places =
        SystemSettingsPlaces(Environment({{"LOCALAPPDATA", "D:\\用户\\AppData\\Local"}}));
    EXPECT_EQ(places.SharedFile, fs::path(L"c:\\YmodemCfg.ini"));
    EXPECT_EQ(places.UserFile,
              PathFromUtf8("D:\\用户\\AppData\\Local\\ymodem-burner\\YmodemCfg.ini"));
    ASSERT_EQ(places.ImportFrom.size(), 2u);
    EXPECT_EQ(places.ImportFrom[0],
              PathFromUtf8("D:\\用户\\AppData\\Local\\VirtualStore\\YmodemCfg.ini"));
    EXPECT_EQ(places.ImportFrom[1], places.SharedFile);

    const SettingsPlaces bare = SystemSettingsPlaces(Environment({}));
    EXPECT_EQ(bare.UserFile, bare.SharedFile);
}

#else

TEST(SettingsLocation, IsInTheUsersConfigFolder) {
    const SettingsPlaces places =
        SystemSettingsPlaces(Environment({{"XDG_CONFIG_HOME", "/x/config"}, {"HOME", "/home/u"}}));
    EXPECT_EQ(places.UserFile, fs::path("/x/config/YmodemCfg.ini"));
    EXPECT_TRUE(places.SharedFile.empty());
    EXPECT_TRUE(places.ImportFrom.empty());
    EXPECT_EQ(SystemSettingsPlaces(Environment({})).UserFile, fs::path("YmodemCfg.ini"));
}

#endif

}  // namespace
}  // namespace ymodem
