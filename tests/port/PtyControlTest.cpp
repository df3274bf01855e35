#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "PortTestSupport.h"
#include "PtyPair.h"
#include "QtSerialControl.h"

namespace ymodem {
namespace {

using Bytes = PtyPair::Bytes;

class PortPty : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.IsOpen());
        control_.SetCommPort(pty_.SlavePath());
        control_.SetSettings("115200,N,8,1");
        control_.SetPortOpen(true);
    }

    PtyPair pty_;
    QtSerialControl control_{NamingWith()};
};

TEST_F(PortPty, PortHeldElsewhereFailsWith8005UntilReleased) {
    QtSerialControl second(NamingWith());
    second.SetCommPort(pty_.SlavePath());
    EXPECT_EQ(ErrorNumberOf([&] { second.SetPortOpen(true); }), CommError::kPortAlreadyOpen);
    EXPECT_FALSE(second.PortOpen());

    control_.SetPortOpen(false);
    second.SetPortOpen(true);
    EXPECT_TRUE(second.PortOpen());
}

// A pty line is always 8 bits without parity: it stands in for a device that refuses
// the settings.
TEST_F(PortPty, SettingsTheDeviceRefusesFailWith8010AndChangeNothing) {
    control_.SetSettings("9600,N,8,2");
    EXPECT_EQ(ErrorNumberOf([&] { control_.SetSettings("9600,E,7,1"); }),
              CommError::kHardwareUnavailable);
    EXPECT_EQ(control_.Settings(), "9600,N,8,2");
    EXPECT_TRUE(control_.PortOpen());

    control_.SetPortOpen(false);
    control_.SetSettings("9600,E,7,1");
    EXPECT_EQ(ErrorNumberOf([&] { control_.SetPortOpen(true); }), CommError::kHardwareUnavailable);
    EXPECT_FALSE(control_.PortOpen());
}

TEST(PortPtyNames, LinkSystemNameAndPathAllReachTheDevice) {
    PtyPair pty;
    QTemporaryDir folder;
    ASSERT_TRUE(pty.IsOpen() && folder.isValid());
    ASSERT_TRUE(QFile::link(pty.SlavePath(), folder.filePath("bench0")));
    QtSerialControl control(NamingWith(folder.path(), {{"ptyport", pty.SlavePath()}}));

    for (const QString& name :
         {QStringLiteral("bench0"), QStringLiteral("ptyport"), pty.SlavePath()}) {
        control.SetCommPort(name);
        control.SetPortOpen(true);
        const Bytes frame = {0x01, 0x00, 0xFF, 0x0D, 0x0A};
        control.Output(frame);
        EXPECT_EQ(pty.ReadCount(frame.size()), frame) << name.toStdString();
        EXPECT_EQ(control.CommPortName(), name);
        control.SetPortOpen(false);
    }
}

TEST(PortPtyNames, NodeThatIsNoSerialPortFailsWith8010) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile plain(folder.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QtSerialControl control(NamingWith());
    control.SetCommPort(plain.fileName());
    EXPECT_EQ(ErrorNumberOf([&] { control.SetPortOpen(true); }), CommError::kHardwareUnavailable);
}

}  // namespace
}  // namespace ymodem
