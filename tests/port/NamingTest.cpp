#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "ComPortNaming.h"
#include "PortTestSupport.h"
#include "TempFolder.h"
#include "Utf8Path.h"
#include "Win32OpenErrorNumber.h"

#ifndef _WIN32
#include <stdlib.h>

#include "PortLink.h"
#endif

namespace ymodem {
namespace {

using Names = std::vector<std::string>;

TEST(PortComNaming, ReadsTheNumberAfterThreeCharacters) {
    const struct {
        const char* listText;
        const char* name;  // nullptr: refused with 380
    } cases[] = {{"COM12 - USB Serial Port", "COM12"},
                 {"串口A7", "COM7"},
                 {"COM-1", "COM-1"},
                 {"CO", nullptr},
                 {"COM32768", nullptr}};
    // The reading itself is ComPortNumber's, tested there; these check the glue.
    const ComPortNaming naming;
    EXPECT_EQ(naming.DefaultName(), "COM1");
    for (const auto& c : cases) {
        if (c.name == nullptr) {
            EXPECT_EQ(ErrorNumberOf([&] { naming.NameFromListText(c.listText); }),
                      CommError::kInvalidPropertyValue)
                << c.listText;
        } else {
            EXPECT_EQ(naming.NameFromListText(c.listText), c.name);
        }
    }
}

TEST(PortComNumbers, ScanTriesCom1ToCom16AndOpenRefusesNumbersOutside1To255) {
    const ComPortNaming naming;
    const Names candidates = naming.Candidates();
    ASSERT_EQ(candidates.size(), 16u);
    EXPECT_EQ(candidates.front(), "COM1");
    EXPECT_EQ(candidates.back(), "COM16");
    for (const char* text : {"COM", "COM256", "COM-3"}) {
        const std::string name = naming.NameFromListText(text);
        EXPECT_EQ(ErrorNumberOf([&] { naming.DeviceFor(name); }), CommError::kInvalidPortNumber)
            << text;
    }
}

// What CreateFileW's failure means for the window's texts: held elsewhere (被占用!) or not
// there (设备无效); every other failure has no text.
TEST(PortComNumbers, OpenFailuresOfTheSystemGetTheWindowsNumbers) {
    const std::pair<unsigned long, int> cases[] = {
        {5, CommError::kPortAlreadyOpen},      {32, CommError::kPortAlreadyOpen},
        {33, CommError::kPortAlreadyOpen},     {2, CommError::kDeviceUnavailable},
        {3, CommError::kDeviceUnavailable},    {123, CommError::kDeviceUnavailable},
        {31, CommError::kHardwareUnavailable}, {1167, CommError::kHardwareUnavailable}};
    for (const auto& [systemError, number] : cases) {
        EXPECT_EQ(Win32OpenErrorNumber(systemError), number) << systemError;
    }
}

class PortFolderNaming : public testing::Test {
protected:
    void Link(const std::string& name, const std::filesystem::path& target) {
        std::filesystem::create_symlink(target, folder_.Path() / name);
    }
    std::string Folder() const { return Utf8FromPath(folder_.Path()); }

    test::TempFolder folder_;
};

#ifndef _WIN32
TEST_F(PortFolderNaming, OffersSystemPortsThenLinksEachInNameOrder) {
    Link("zeta", "/dev/null");
    Link("alpha", folder_.Path() / "nowhere");  // dangling: still offered
    Link("bench10", "/dev/null");
    Link("bench9", "/dev/null");
    Link(".hidden", "/dev/null");
    test::WriteBytes(folder_.Path() / "note.txt", "");
    std::filesystem::create_directory(folder_.Path() / "sub");

    const auto naming = NamingWith(
        Folder(),
        {{"ttyUSB0", "/dev/ttyUSB0"}, {"ttyS10", "/dev/ttyS10"}, {"ttyS2", "/dev/ttyS2"}});
    EXPECT_EQ(naming->Candidates(),
              Names({"ttyS2", "ttyS10", "ttyUSB0", "alpha", "bench9", "bench10", "zeta"}));
    EXPECT_EQ(NamingWith(folder_.Utf8("absent"), {{"ttyACM0", "/dev/ttyACM0"}})->Candidates(),
              Names({"ttyACM0"}));
}

TEST_F(PortFolderNaming, NamesThatReachNoDeviceFailWith68WhenOpened) {
    Link("gone", folder_.Path() / "nowhere");
    const auto naming = NamingWith(Folder());
    for (const char* name : {"gone", "ttyNOSUCH", "/dev/any/path"}) {
        EXPECT_EQ(naming->NameFromListText(name), name);
        EXPECT_EQ(ErrorNumberOf([&] { naming->DeviceFor(name); }), CommError::kDeviceUnavailable)
            << name;
        EXPECT_FALSE(naming->MayBePresent(name)) << name;
    }
    EXPECT_EQ(naming->DeviceFor("/dev/null"), "/dev/null");
    EXPECT_TRUE(naming->MayBePresent("/dev/null"));
    EXPECT_EQ(ErrorNumberOf([&] { naming->NameFromListText(""); }),
              CommError::kInvalidPropertyValue);
}

// A port waited for is looked for on a beat: by its own device node, not by asking the
// system for all of its ports.
TEST_F(PortFolderNaming, ListsTheSystemPortsOnlyForANameWithADeviceNode) {
    int listings = 0;
    const DevicePortNaming naming(Folder(), [&listings] {
        ++listings;
        return std::vector<DevicePortNaming::SystemPort>{{"null", "/dev/null"}};
    });
    EXPECT_EQ(ErrorNumberOf([&] { naming.DeviceFor("ttyNOSUCH"); }), CommError::kDeviceUnavailable);
    EXPECT_TRUE(naming.MayBePresent("null"));
    EXPECT_EQ(listings, 0);
    EXPECT_EQ(naming.DeviceFor("null"), "/dev/null");
    EXPECT_EQ(listings, 1);
}

// Sets (or, given nothing, unsets) one environment variable for the object's life.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

    const char* name_;
    std::optional<std::string> old_;
};

// The virtual device offers itself in the folder the window lists.
TEST(PortsFolder, WindowAndVirtualDeviceUseTheSameOne) {
    const std::optional<std::string> configHomes[] = {"/tmp/xdg", "relative", "", std::nullopt};
    const ScopedVariable home("HOME", "/home/somebody");
    for (const auto& configHome : configHomes) {
        SCOPED_TRACE(configHome.value_or("unset"));
        const ScopedVariable xdg("XDG_CONFIG_HOME", configHome);
        EXPECT_EQ(DevicePortNaming::DefaultPortsFolder(), PortLink::DefaultFolder().string());
    }
}
#endif

}  // namespace
}  // namespace ymodem
