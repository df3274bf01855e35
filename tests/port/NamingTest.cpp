#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ComPortNaming.h"
#include "PortTestSupport.h"
#include "QtSerialControl.h"

#ifndef _WIN32
#include <optional>

#include "PortLink.h"
#endif

namespace ymodem {
namespace {

struct ComText {
    const char* listText;
    const char* name;  // nullptr: refused with 380
};

class PortComNaming : public testing::TestWithParam<ComText> {};

TEST_P(PortComNaming, ReadsTheNumberAfterThreeCharacters) {
    QtSerialControl control(std::make_unique<ComPortNaming>());
    const auto set = [&] { control.SetCommPort(QString::fromUtf8(GetParam().listText)); };
    if (GetParam().name == nullptr) {
        EXPECT_EQ(ErrorNumberOf(set), CommError::kInvalidPropertyValue);
        EXPECT_EQ(control.CommPortName(), "COM1");
    } else {
        set();
        EXPECT_EQ(control.CommPortName().toStdString(), GetParam().name);
    }
}

// The reading itself is ComPortNumber's, tested there; these check the glue.
INSTANTIATE_TEST_SUITE_P(ListTexts, PortComNaming,
                         testing::Values(ComText{"COM12 - USB Serial Port", "COM12"},
                                         ComText{"串口A7", "COM7"}, ComText{"COM-1", "COM-1"},
                                         ComText{"CO", nullptr}, ComText{"COM32768", nullptr}));

TEST(PortComNumbers, ScanTriesCom1ToCom16AndOpenRefusesNumbersOutside1To255) {
    QtSerialControl control(std::make_unique<ComPortNaming>());
    const QStringList candidates = control.PortCandidates();
    ASSERT_EQ(candidates.size(), 16);
    EXPECT_EQ(candidates.front(), "COM1");
    EXPECT_EQ(candidates.back(), "COM16");
    for (const char* text : {"COM", "COM256", "COM-3"}) {
        control.SetCommPort(text);
        EXPECT_EQ(ErrorNumberOf([&] { control.SetPortOpen(true); }), CommError::kInvalidPortNumber)
            << text;
        EXPECT_FALSE(control.PortOpen());
    }
}

class PortFolderNaming : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    void Link(const QString& name, const QString& target) {
        ASSERT_TRUE(QFile::link(target, folder_.filePath(name)));
    }

    QTemporaryDir folder_;
};

TEST_F(PortFolderNaming, OffersSystemPortsThenLinksEachInNameOrder) {
    Link("zeta", "/dev/null");
    Link("alpha", folder_.filePath("nowhere"));  // dangling: still offered
    Link("bench10", "/dev/null");
    Link("bench9", "/dev/null");
    QFile note(folder_.filePath("note.txt"));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir(folder_.path()).mkdir("sub"));

    const QtSerialControl control(NamingWith(
        folder_.path(),
        {{"ttyUSB0", "/dev/ttyUSB0"}, {"ttyS10", "/dev/ttyS10"}, {"ttyS2", "/dev/ttyS2"}}));
    EXPECT_EQ(control.PortCandidates(),
              QStringList({"ttyS2", "ttyS10", "ttyUSB0", "alpha", "bench9", "bench10", "zeta"}));
}

TEST_F(PortFolderNaming, MissingFolderOffersOnlySystemPorts) {
    const QtSerialControl control(
        NamingWith(folder_.filePath("absent"), {{"ttyACM0", "/dev/ttyACM0"}}));
    EXPECT_EQ(control.PortCandidates(), QStringList({"ttyACM0"}));
}

TEST_F(PortFolderNaming, NamesThatReachNoDeviceFailWith68WhenOpened) {
    Link("gone", folder_.filePath("nowhere"));
    QtSerialControl control(NamingWith(folder_.path()));
    for (const QString& name : {QStringLiteral("gone"), QStringLiteral("ttyNOSUCH"),
                                QStringLiteral("/dev/ymodem-burner-no-such-device")}) {
        control.SetCommPort(name);
        EXPECT_EQ(control.CommPortName(), name);
        EXPECT_EQ(ErrorNumberOf([&] { control.SetPortOpen(true); }), CommError::kDeviceUnavailable)
            << name.toStdString();
    }
    EXPECT_EQ(ErrorNumberOf([&] { control.SetCommPort(""); }), CommError::kInvalidPropertyValue);
}

#ifndef _WIN32

// Sets (or, given nothing, unsets) one environment variable for the object's life.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<QByteArray>& value)
        : name_(name),
          old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void Set(const std::optional<QByteArray>& value) {
        if (value) {
            qputenv(name_, *value);
        } else {
            qunsetenv(name_);
        }
    }

    const char* name_;
    std::optional<QByteArray> old_;
};

// The virtual device offers itself in the folder the window lists.
TEST(PortsFolder, WindowAndVirtualDeviceUseTheSameOne) {
    const std::optional<QByteArray> configHomes[] = {"/tmp/xdg", "relative", "", std::nullopt};
    const ScopedVariable home("HOME", "/home/somebody");
    for (const auto& configHome : configHomes) {
        SCOPED_TRACE(configHome.value_or("unset").toStdString());
        const ScopedVariable xdg("XDG_CONFIG_HOME", configHome);
        EXPECT_EQ(DevicePortNaming::DefaultPortsFolder().toStdString(),
                  PortLink::DefaultFolder().string());
    }
}

#endif

}  // namespace
}  // namespace ymodem
