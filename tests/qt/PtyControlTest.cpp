#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "PortContract.h"
#include "PtyPair.h"
#include "QtOpenErrorNumber.h"
#include "QtSerialBackend.h"
#include "QtText.h"

namespace ymodem {
namespace {

using Bytes = PtyPair::Bytes;

SerialControl PtyControl(std::unique_ptr<PortNaming> naming = NamingWith()) {
    return SerialControl(std::move(naming), std::make_unique<QtSerialBackend>());
}

// QSerialPort on a pseudo-terminal whose master side the test plays; its line holds
// output back until the event loop has written it.
struct PtyLine {
    static constexpr bool kHoldsUnsentOutput = true;
    SerialControl& Control() { return control; }
    std::string PortName() const { return pty.SlavePath(); }
    void DeviceSends(const Bytes& bytes) { pty.Write(bytes); }
    Bytes DeviceReceives(const std::function<bool(const Bytes&)>& enough) {
        return pty.ReadUntil(enough);
    }
    void DeviceGoesAway() { pty.CloseMaster(); }
    bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }

    PtyPair pty;
    SerialControl control = PtyControl();
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, PortContract, PtyLine);
}  // namespace contract

namespace {

// The other numbers come from real opens below; a refused permission cannot be had here,
// as the tests may run with every right.
TEST(PortOpenErrorNumber, RefusedPermissionIsAnotherHolderOnlyWhenTheNodeIsOpenToUs) {
    // A lock file or another program's exclusive open:
    EXPECT_EQ(QtOpenErrorNumber(QSerialPort::PermissionError, true), CommError::kPortAlreadyOpen);
    // A user outside the dialout group:
    EXPECT_EQ(QtOpenErrorNumber(QSerialPort::PermissionError, false), CommError::kPermissionDenied);
}

class PortPty : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.IsOpen());
        control_.SetCommPort(pty_.SlavePath());
        control_.SetSettings("115200,N,8,1");
        control_.SetPortOpen(true);
    }

    PtyPair pty_;
    SerialControl control_ = PtyControl();
};

TEST_F(PortPty, PortHeldElsewhereFailsWith8005UntilReleased) {
    SerialControl second = PtyControl();
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
    ASSERT_TRUE(QFile::link(FromUtf8(pty.SlavePath()), folder.filePath("bench0")));
    // The system reports the pseudo-terminal as a port named after its node in /dev/pts.
    const std::string number = pty.SlavePath().substr(pty.SlavePath().rfind('/') + 1);
    SerialControl control =
        PtyControl(NamingWith(ToUtf8(folder.path()), {{number, pty.SlavePath()}}, "/dev/pts"));

    for (const std::string& name : {std::string("bench0"), number, pty.SlavePath()}) {
        control.SetCommPort(name);
        control.SetPortOpen(true);
        const Bytes frame = {0x01, 0x00, 0xFF, 0x0D, 0x0A};
        control.Output(frame);
        EXPECT_EQ(pty.ReadCount(frame.size()), frame) << name;
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
    SerialControl control = PtyControl();
    control.SetCommPort(ToUtf8(plain.fileName()));
    EXPECT_EQ(ErrorNumberOf([&] { control.SetPortOpen(true); }), CommError::kHardwareUnavailable);
}

}  // namespace
}  // namespace ymodem
