#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include <QSignalSpy>
#include <QTest>

#include "FakeSerialControl.h"
#include "PortTestSupport.h"
#include "QtSerialControl.h"
#ifndef _WIN32
#include "PtyPair.h"
#endif

// What the window, the sender and the driver rely on from a serial control, checked
// against both the fake that their tests use and the real control, so that a test
// passing over the fake means the same over a real port.
namespace ymodem {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Enough = std::function<bool(const Bytes&)>;

// Every byte value in turn, so that no flow-control or line-end translation goes
// unnoticed.
Bytes Frame(std::size_t size, std::uint8_t first) {
    Bytes frame(size);
    std::iota(frame.begin(), frame.end(), first);
    return frame;
}

// Each line gives the device's end: what it sends, what it has received, its going away.
// The fake's line takes every frame at once; a real one holds output back.
struct FakeLine {
    static constexpr bool kHoldsUnsentOutput = false;
    QString PortName() const { return QStringLiteral("COM3"); }
    void DeviceSends(const Bytes& bytes) { control.InjectInput(bytes); }
    Bytes DeviceReceives(const Enough&) {
        Bytes all;
        for (const Bytes& frame : control.Frames()) {
            all.insert(all.end(), frame.begin(), frame.end());
        }
        return all;
    }
    void DeviceGoesAway() { control.LosePort(); }

    FakeSerialControl control;
};

#ifndef _WIN32
struct PtyLine {
    static constexpr bool kHoldsUnsentOutput = true;
    QString PortName() const { return pty.SlavePath(); }
    void DeviceSends(const Bytes& bytes) { pty.Write(bytes); }
    Bytes DeviceReceives(const Enough& enough) { return pty.ReadUntil(enough); }
    void DeviceGoesAway() { pty.CloseMaster(); }

    PtyPair pty;
    QtSerialControl control{NamingWith()};
};
using Lines = testing::Types<FakeLine, PtyLine>;
#else
using Lines = testing::Types<FakeLine>;
#endif

template <typename Line>
class PortContract : public testing::Test {
protected:
    void SetUp() override {
        Control().SetCommPort(line_.PortName());
        Control().SetSettings("115200,N,8,1");
        Control().SetPortOpen(true);
    }

    SerialControl& Control() { return line_.control; }
    Bytes DeviceReceivesCount(std::size_t count) {
        return line_.DeviceReceives([count](const Bytes& bytes) { return bytes.size() >= count; });
    }

    Line line_;
};

TYPED_TEST_SUITE(PortContract, Lines);

TYPED_TEST(PortContract, RefusedOperationsFailWithTheirNumberAndChangeNothing) {
    SerialControl& control = this->Control();
    const struct {
        std::function<void()> operation;
        int number;
    } cases[] = {
        {[&] { control.SetPortOpen(true); }, CommError::kPortAlreadyOpen},
        {[&] { control.SetCommPort("COM9"); }, CommError::kPortAlreadyOpen},
        {[&] { control.SetSettings("9600,X,8,1"); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetSettings(""); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetInBufferSize(-1); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetOutBufferSize(-1); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetRThreshold(-1); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetSThreshold(-1); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetInputLen(-1); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetInputMode(2); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetOutBufferCount(5); }, CommError::kInvalidPropertyValue},
        {[&] { control.SetInBufferCount(5); }, CommError::kInvalidPropertyValue},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(ErrorNumberOf(cases[i].operation), cases[i].number) << "case " << i;
    }
    EXPECT_EQ(control.CommPortName(), this->line_.PortName());
    EXPECT_EQ(control.Settings(), "115200,N,8,1");
    EXPECT_TRUE(control.PortOpen());
}

TYPED_TEST(PortContract, ClosedPortSendsNothingAndOpensAgain) {
    SerialControl& control = this->Control();
    control.SetPortOpen(false);
    control.SetPortOpen(false);
    EXPECT_FALSE(control.PortOpen());
    control.Output(Frame(133, 0));
    control.SetCommPort(this->line_.PortName());
    control.SetPortOpen(true);
    const Bytes marker = Frame(3, 0xA0);
    control.Output(marker);
    EXPECT_EQ(this->DeviceReceivesCount(marker.size()), marker);
}

TYPED_TEST(PortContract, FramesReachTheDeviceWholeAndInOrder) {
    const std::vector<Bytes> frames = {Frame(133, 0), Frame(1029, 7), Frame(40 * 1029, 200)};
    Bytes expected;
    for (const Bytes& frame : frames) {
        this->Control().Output(frame);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(this->DeviceReceivesCount(expected.size()), expected);
}

// What waits to be sent is dropped, cut anywhere, but what follows arrives whole.
TYPED_TEST(PortContract, DiscardingUnsentOutputKeepsLaterFramesWhole) {
    const Bytes pending(256 * 1024, 0x55);
    const Bytes marker = Frame(133, 0x80);
    this->Control().Output(pending);
    this->Control().SetOutBufferCount(0);
    this->Control().Output(marker);

    const Bytes received = this->line_.DeviceReceives([&](const Bytes& bytes) {
        return bytes.size() >= marker.size() &&
               std::equal(marker.rbegin(), marker.rend(), bytes.rbegin());
    });
    ASSERT_GE(received.size(), marker.size());
    const bool dropped = received.size() < pending.size() + marker.size();
    EXPECT_EQ(dropped, TypeParam::kHoldsUnsentOutput);
    const auto sentBefore = received.end() - static_cast<std::ptrdiff_t>(marker.size());
    EXPECT_TRUE(std::equal(sentBefore, received.end(), marker.begin()));
    EXPECT_TRUE(std::all_of(received.begin(), sentBefore, [](auto b) { return b == 0x55; }));
}

TYPED_TEST(PortContract, ArrivingBytesRaiseOnCommWithEvent2AndComeBackFromInput) {
    SerialControl& control = this->Control();
    control.SetRThreshold(1);
    const Bytes sent = {0x06, 0x43, 0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF};
    Bytes received;
    int eventDuringOnComm = 0;
    QObject::connect(&control, &SerialControl::OnComm, [&] {
        eventDuringOnComm = control.CommEvent();
        const Bytes input = control.Input();
        received.insert(received.end(), input.begin(), input.end());
    });
    this->line_.DeviceSends(sent);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(eventDuringOnComm, SerialControl::kEventReceive);
}

TYPED_TEST(PortContract, DeviceGoingAwayClosesThePortAndRaisesPortLostOnce) {
    SerialControl& control = this->Control();
    QSignalSpy lost(&control, &SerialControl::PortLost);
    bool openWhenLost = true;
    QObject::connect(&control, &SerialControl::PortLost,
                     [&] { openWhenLost = control.PortOpen(); });
    this->line_.DeviceGoesAway();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }));
    EXPECT_FALSE(openWhenLost);
    control.Output(Frame(133, 0));
    QTest::qWait(300);  // no second report
    EXPECT_EQ(lost.count(), 1);
}

}  // namespace
}  // namespace ymodem
