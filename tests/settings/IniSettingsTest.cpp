#include "IniSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "Platform.h"
#include "SystemEncoding.h"
#include "TempFolder.h"
#include "Utf8Path.h"
#include "WholeFile.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ymodem {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;
using namespace std::string_literals;

// Every file and folder below `root`, with the bytes of each file.
std::map<fs::path, std::string> Snapshot(const fs::path& root) {
    std::map<fs::path, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries[entry.path()] = entry.is_directory() ? "<folder>" : ReadBytes(entry.path());
    }
    return entries;
}

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(12345);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

class SettingsIniFile : public ::testing::Test {
protected:
    std::string Lines(std::initializer_list<const char*> lines) const {
        std::string text;
        for (const char* line : lines) {
            text += line;
            text += NativeLineEnd();
        }
        return text;
    }

    test::TempFolder folder_;
    fs::path path_ = folder_.Path() / "YmodemCfg.ini";
    std::string file_ = Utf8FromPath(path_);
};

TEST_F(SettingsIniFile, FirstStartStoresTheDefaultsInReadOrder) {
    EXPECT_EQ(ReadIniStr(file_, "Para1", "SaveComm", "COM1"), "COM1");
    EXPECT_EQ(ReadIniStr(file_, "Para1", "CboBaud", "3"), "3");
    EXPECT_EQ(ReadIniStr(file_, "Para1", "Path", "C:\\"), "C:\\");
    const std::string firstStart = Lines({"[Para1]", "SaveComm=COM1", "CboBaud=3", "Path=C:\\"});
    EXPECT_EQ(ReadBytes(path_), firstStart);
    EXPECT_EQ(Snapshot(folder_.Path()).size(), 1u) << "a temporary file was left behind";

    WriteIniStr(file_, "Para1", "SaveComm", "COM7");
    EXPECT_EQ(ReadIniStr(file_, "Para1", "SaveComm", "COM1"), "COM7");
    EXPECT_EQ(ReadBytes(path_), Lines({"[Para1]", "SaveComm=COM7", "CboBaud=3", "Path=C:\\"}));
}

TEST_F(SettingsIniFile, EmptyValueIsReplacedByTheDefault) {
    WriteBytes(path_, "[Para1]\nPath=\nCboBaud=5\n");
    EXPECT_EQ(ReadIniStr(file_, "Para1", "Path", "C:\\"), "C:\\");
    EXPECT_EQ(ReadBytes(path_), "[Para1]\nPath=C:\\\nCboBaud=5\n");
}

// A file holds the system's 8-bit text, or UTF-8 behind the mark Notepad writes; either
// is read as text and keeps its form and every other byte.
TEST_F(SettingsIniFile, WindowsFileKeepsEveryOtherByte) {
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
        SCOPED_TRACE(mark.empty() ? "8-bit text" : "UTF-8 with its mark");
        const auto inFile = [&](const std::string& text) {
            return mark.empty() ? ToSystem8Bit(text) : text;
        };
        const std::string path = "D:\\烧写\\fw";
        const std::string before = mark +
                                   "[Para1]\r\nSaveComm=COM3\r\nCboBaud=5\r\nPath=" + inFile(path) +
                                   "\r\n\r\n; written on Windows\r\n[After]\r\nB=2\r\n";
        WriteBytes(path_, before);

        WriteIniStr(file_, "Para1", "CboBaud", "7");
        std::string expected = before;
        expected.replace(expected.find("CboBaud=5"), 9, "CboBaud=7");
        EXPECT_EQ(ReadBytes(path_), expected);
        EXPECT_EQ(ReadIniStr(file_, "para1", "PATH", "C:\\"), path);

        const std::string other = "E:\\中文 测";
        WriteIniStr(file_, "Para1", "Path", other);
        EXPECT_EQ(ReadIniStr(file_, "Para1", "Path", "C:\\"), other);
        expected.replace(expected.find(inFile(path)), inFile(path).size(), inFile(other));
        EXPECT_EQ(ReadBytes(path_), expected);
    }
}

TEST_F(SettingsIniFile, LongValuesReadBackWhole) {
    for (const std::size_t length : {143u, 144u, 200u, 10000u}) {
        SCOPED_TRACE(length);
        std::string value(length, '\0');
        for (std::size_t i = 0; i < length; ++i) {
            value[i] = static_cast<char>('a' + i % 26);
        }
        WriteIniStr(file_, "Para1", "Path", value);
        EXPECT_EQ(ReadIniStr(file_, "Para1", "Path", "C:\\"), value);
    }
}

struct BlockedCase {
    const char* name;
    std::function<fs::path(const fs::path& folder)> makeSettingsPath;
};

// Blocked by the file system's structure rather than by permissions, which do not stop
// root.
TEST_F(SettingsIniFile, BlockedWriteChangesNothingAndDoesNotThrow) {
    const BlockedCase cases[] = {
        {"a file where a folder should be",
         [](const fs::path& folder) {
             WriteBytes(folder / "blocker", "not a folder");
             return folder / "blocker" / "YmodemCfg.ini";
         }},
        {"a folder in place of the file",
         [](const fs::path& folder) {
             fs::create_directory(folder / "YmodemCfg.ini");
             WriteBytes(folder / "YmodemCfg.ini" / "inside", "[Para1]\nPath=x\n");
             return folder / "YmodemCfg.ini";
         }},
    };
    for (const BlockedCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        const std::string path = Utf8FromPath(c.makeSettingsPath(folder.Path()));
        const auto before = Snapshot(folder.Path());
        EXPECT_NO_THROW(WriteIniStr(path, "Para1", "Path", "D:\\"));
        EXPECT_EQ(ReadIniStr(path, "Para1", "Path", "C:\\"), "C:\\");
        EXPECT_EQ(Snapshot(folder.Path()), before);
    }
}

#ifdef _WIN32
// Held open the way editors and virus scanners hold files: others may read, not replace.
class HeldOpen {
public:
    explicit HeldOpen(const fs::path& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() { CloseHandle(handle_); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
#endif

struct ReadOnlyCase {
    const char* name;
    std::function<void()> whileKept;  // runs with the file made unreplaceable
};

TEST_F(SettingsIniFile, FileThatMayNotBeReplacedStaysAsItWasWithNothingLeftBeside) {
    const std::string before = Lines({"[Para1]", "Path=C:\\old"});
    const auto makeReadOnly = [&](bool readOnly) {
        fs::permissions(path_,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        readOnly ? fs::perm_options::remove : fs::perm_options::add);
    };
    const ReadOnlyCase cases[] = {
        {"read-only",
         [&] {
             makeReadOnly(true);
             EXPECT_FALSE(ReplaceWholeFile(path_, "[Para1]\nPath=D:\\\n"));
             WriteIniStr(file_, "Para1", "Path", "D:\\");
             EXPECT_EQ(ReadIniStr(file_, "Para1", "Path", "E:\\"), "C:\\old");
             EXPECT_EQ(ReadIniStr(file_, "Para1", "CboBaud", "3"), "3");
             makeReadOnly(false);
         }},
#ifdef _WIN32
        {"held open by another program",
         [&] {
             const HeldOpen held(path_);
             ASSERT_TRUE(held.IsOpen());
             EXPECT_FALSE(ReplaceWholeFile(path_, "[Para1]\nPath=D:\\\n"));
             WriteIniStr(file_, "Para1", "Path", "D:\\");
             EXPECT_EQ(ReadIniStr(file_, "Para1", "Path", "E:\\"), "C:\\old");
             EXPECT_EQ(ReadIniStr(file_, "Para1", "CboBaud", "3"), "3");
         }},
#else
        {"in a folder nobody may write",
         [&] {
             if (!fs::exists("/proc/version")) return;
             const std::string version = ReadBytes("/proc/version");
             EXPECT_FALSE(ReplaceWholeFile("/proc/version", "[Para1]\nPath=D:\\\n"));
             EXPECT_NO_THROW(WriteIniStr("/proc/version", "Para1", "Path", "D:\\"));
             EXPECT_EQ(ReadIniStr("/proc/version", "Para1", "Path", "C:\\"), "C:\\");
             EXPECT_EQ(ReadBytes("/proc/version"), version);
         }},
#endif
    };
    for (const ReadOnlyCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path_, before);
        const auto snapshot = Snapshot(folder_.Path());
        c.whileKept();
        EXPECT_EQ(Snapshot(folder_.Path()), snapshot) << "changed, or a temporary file was left";
    }
}

TEST(SettingsWholeFile, FailedRenameRemovesTheTemporaryFile) {
    test::TempFolder folder;
    const fs::path target = folder.Path() / "YmodemCfg.ini";
    fs::create_directory(target);
    WriteBytes(target / "inside", "kept");
    const auto before = Snapshot(folder.Path());
    EXPECT_FALSE(ReplaceWholeFile(target, "[Para1]\nPath=D:\\\n"));
    EXPECT_EQ(Snapshot(folder.Path()), before);
}

struct GarbageCase {
    const char* name;
    std::string bytes;
};

TEST_F(SettingsIniFile, GarbageFileIsKeptAndDoesNotStopTheStore) {
    std::string noEquals;
    for (int i = 0; i < 1000; ++i) {
        noEquals += "no equals here\n[unclosed\n\0\0\0\n\xff\xfe\r\n"s;
    }
    const std::size_t twentyMiB = 20u << 20;
    const GarbageCase cases[] = {
        {"random bytes with NULs", RandomBytes(64 * 1024)},
        {"lines without '='", noEquals},
        {"20 MiB of random bytes", RandomBytes(twentyMiB)},
        {"two million empty lines", std::string(2'000'000, '\n')},
        {"one 20 MiB line", std::string(twentyMiB, '[')},
    };
    for (const GarbageCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path_, c.bytes);
        EXPECT_EQ(ReadIniStr(file_, "Para1", "SaveComm", "COM1"), "COM1");
        WriteIniStr(file_, "Para1", "CboBaud", "3");
        EXPECT_EQ(ReadIniStr(file_, "Para1", "SaveComm", "COM9"), "COM1");
        EXPECT_EQ(ReadIniStr(file_, "Para1", "CboBaud", "5"), "3");
        const std::string after = ReadBytes(path_);
        EXPECT_TRUE(after.compare(0, c.bytes.size(), c.bytes) == 0) << "the old bytes changed";
    }
}

}  // namespace
}  // namespace ymodem
