#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "PortTestSupport.h"
#include "PtyPair.h"
#include "QtSerialControl.h"

namespace ymodem {
namespace {

using Bytes = PtyPair::Bytes;

// Every byte value, so that no flow-control or line-end translation goes unnoticed.
Bytes Frame(std::size_t size, std::uint8_t first) {
    Bytes frame(size);
    std::iota(frame.begin(), frame.end(), first);
    return frame;
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
    QtSerialControl control_{NamingWith()};
};

TEST_F(PortPty, FramesArriveWholeAndInOrder) {
    const std::vector<Bytes> frames = {Frame(133, 0), Frame(1029, 7), Frame(40 * 1029, 200)};
    Bytes expected;
    for (const Bytes& frame : frames) {
        control_.Output(frame);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(pty_.ReadCount(expected.size()), expected);
}

TEST_F(PortPty, DiscardingUnsentOutputKeepsLaterFramesWhole) {
    const Bytes pending(256 * 1024, 0x55);
    const Bytes marker = Frame(133, 0x80);
    control_.Output(pending);
    control_.SetOutBufferCount(0);
    control_.Output(marker);

    const Bytes received = pty_.ReadUntil([&](const Bytes& bytes) {
        return bytes.size() >= marker.size() &&
               std::equal(marker.rbegin(), marker.rend(), bytes.rbegin());
    });
    ASSERT_GE(received.size(), marker.size());
    const auto sentBefore = received.end() - static_cast<std::ptrdiff_t>(marker.size());
    EXPECT_TRUE(std::equal(sentBefore, received.end(), marker.begin()));
    EXPECT_TRUE(std::all_of(received.begin(), sentBefore, [](auto b) { return b == 0x55; }));
}

TEST_F(PortPty, ArrivingBytesRaiseOnCommAndComeBackFromInput) {
    control_.SetRThreshold(1);
    const Bytes sent = {0x06, 0x43, 0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF};
    Bytes received;
    int eventDuringOnComm = 0;
    QObject::connect(&control_, &SerialControl::OnComm, [&] {
        eventDuringOnComm = control_.CommEvent();
        const Bytes input = control_.Input();
        received.insert(received.end(), input.begin(), input.end());
    });
    QSignalSpy spy(&control_, &SerialControl::OnComm);
    pty_.Write(sent);
    while (received.size() < sent.size() && spy.wait(10000)) {
    }
    EXPECT_EQ(received, sent);
    EXPECT_EQ(eventDuringOnComm, SerialControl::kEventReceive);
}

TEST_F(PortPty, ThresholdWaitsForEnoughBytesAndInputLenLimitsEachRead) {
    control_.SetRThreshold(5);
    control_.SetInputLen(2);
    QSignalSpy spy(&control_, &SerialControl::OnComm);
    pty_.Write(Bytes{1, 2, 3, 4, 5});
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(control_.Input(), (Bytes{1, 2}));
    EXPECT_EQ(control_.Input(), (Bytes{3, 4}));
    EXPECT_EQ(control_.Input(), (Bytes{5}));
    EXPECT_EQ(control_.Input(), Bytes{});
}

TEST_F(PortPty, OtherSideClosingRaisesPortLostOnceAndClosesThePort) {
    QSignalSpy lost(&control_, &SerialControl::PortLost);
    pty_.CloseMaster();
    ASSERT_TRUE(lost.wait(10000));
    EXPECT_FALSE(control_.PortOpen());
    control_.Output(Frame(133, 0));
    EXPECT_FALSE(lost.wait(300));  // no second report
    EXPECT_EQ(lost.count(), 1);
}

TEST_F(PortPty, PortHeldElsewhereFailsWith8005UntilReleased) {
    QtSerialControl second(NamingWith());
    second.SetCommPort(pty_.SlavePath());
    EXPECT_EQ(ErrorNumberOf([&] { second.SetPortOpen(true); }), CommError::kPortAlreadyOpen);
    EXPECT_FALSE(second.PortOpen());

    control_.SetPortOpen(false);
    second.SetPortOpen(true);
    EXPECT_TRUE(second.PortOpen());
}

TEST_F(PortPty, OpenPortRefusesAnotherOpenAndAPortChange) {
    EXPECT_EQ(ErrorNumberOf([&] { control_.SetPortOpen(true); }), CommError::kPortAlreadyOpen);
    EXPECT_EQ(ErrorNumberOf([&] { control_.SetCommPort("/dev/null"); }),
              CommError::kPortAlreadyOpen);
    EXPECT_EQ(control_.CommPortName(), pty_.SlavePath());
    EXPECT_TRUE(control_.PortOpen());
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
        const Bytes frame = Frame(133, 1);
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
