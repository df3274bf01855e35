#include <gtest/gtest.h>

#include <algorithm>

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

bool Eventually(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 10000);
}

// The device end of each line: what it sends, what it has received, its going away.
struct FakeLine {
    bool Ready() const { return true; }
    QString PortName() const { return QStringLiteral("COM3"); }
    void DeviceSends(const Bytes& bytes) { control.InjectInput(bytes); }
    Bytes DeviceReceives(const Enough&) {
        Bytes received;
        for (; taken < control.Frames().size(); ++taken) {
            const Bytes& frame = control.Frames()[taken];
            received.insert(received.end(), frame.begin(), frame.end());
        }
        return received;
    }
    void DeviceGoesAway() { control.LosePort(); }

    FakeSerialControl control;
    std::size_t taken = 0;
};

#ifndef _WIN32
struct PtyLine {
    bool Ready() const { return pty.IsOpen(); }
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

struct LineNames {
    template <typename Line>
    static std::string GetName(int) {
        return std::is_same_v<Line, FakeLine> ? "Fake" : "Pty";
    }
};

template <typename Line>
class PortContract : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(line_.Ready());
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

TYPED_TEST_SUITE(PortContract, Lines, LineNames);

TYPED_TEST(PortContract, OpenPortRefusesAnotherOpenAndAPortChangeWith8005) {
    SerialControl& control = this->Control();
    EXPECT_EQ(ErrorNumberOf([&] { control.SetPortOpen(true); }), CommError::kPortAlreadyOpen);
    EXPECT_EQ(ErrorNumberOf([&] { control.SetCommPort("COM9"); }), CommError::kPortAlreadyOpen);
    EXPECT_EQ(control.CommPortName(), this->line_.PortName());
    EXPECT_TRUE(control.PortOpen());

    control.SetPortOpen(false);
    control.SetPortOpen(false);
    EXPECT_FALSE(control.PortOpen());
    control.SetCommPort(this->line_.PortName());
    control.SetPortOpen(true);
    EXPECT_TRUE(control.PortOpen());
}

TYPED_TEST(PortContract, UnreadableValuesFailWith380AndChangeNothing) {
    SerialControl& control = this->Control();
    const std::vector<std::function<void()>> operations = {
        [&] { control.SetSettings("9600,X,8,1"); }, [&] { control.SetSettings(""); },
        [&] { control.SetInBufferSize(-1); },       [&] { control.SetOutBufferSize(-1); },
        [&] { control.SetRThreshold(-1); },         [&] { control.SetSThreshold(-1); },
        [&] { control.SetInputLen(-1); },           [&] { control.SetInputMode(2); },
        [&] { control.SetOutBufferCount(5); },      [&] { control.SetInBufferCount(5); },
    };
    for (std::size_t i = 0; i < operations.size(); ++i) {
        EXPECT_EQ(ErrorNumberOf(operations[i]), CommError::kInvalidPropertyValue) << "case " << i;
    }
    EXPECT_EQ(control.Settings(), "115200,N,8,1");
    EXPECT_TRUE(control.PortOpen());
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

TYPED_TEST(PortContract, OutputWhileClosedGoesNowhere) {
    this->Control().SetPortOpen(false);
    this->Control().Output(Frame(133, 0));
    this->Control().SetPortOpen(true);
    const Bytes marker = Frame(3, 0xA0);
    this->Control().Output(marker);
    EXPECT_EQ(this->DeviceReceivesCount(marker.size()), marker);
}

// What waits to be sent may be cut anywhere, but what follows arrives whole.
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
    ASSERT_LE(received.size(), pending.size() + marker.size());
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
    EXPECT_TRUE(Eventually([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(eventDuringOnComm, SerialControl::kEventReceive);
}

TYPED_TEST(PortContract, ThresholdWaitsForEnoughBytesAndInputLenLimitsEachRead) {
    SerialControl& control = this->Control();
    control.SetRThreshold(5);
    control.SetInputLen(2);
    QSignalSpy spy(&control, &SerialControl::OnComm);
    this->line_.DeviceSends(Bytes{1, 2, 3, 4});
    QTest::qWait(100);
    EXPECT_TRUE(spy.isEmpty());
    this->line_.DeviceSends(Bytes{5});
    ASSERT_TRUE(Eventually([&] { return !spy.isEmpty(); }));
    EXPECT_EQ(control.Input(), (Bytes{1, 2}));
    EXPECT_EQ(control.Input(), (Bytes{3, 4}));
    EXPECT_EQ(control.Input(), (Bytes{5}));
    EXPECT_EQ(control.Input(), Bytes{});
}

TYPED_TEST(PortContract, DeviceGoingAwayClosesThePortAndRaisesPortLostOnce) {
    SerialControl& control = this->Control();
    QSignalSpy lost(&control, &SerialControl::PortLost);
    bool openWhenLost = true;
    QObject::connect(&control, &SerialControl::PortLost,
                     [&] { openWhenLost = control.PortOpen(); });
    this->line_.DeviceGoesAway();
    ASSERT_TRUE(Eventually([&] { return !lost.isEmpty(); }));
    EXPECT_FALSE(openWhenLost);
    control.Output(Frame(133, 0));
    control.SetPortOpen(false);
    QTest::qWait(300);  // no second report
    EXPECT_EQ(lost.count(), 1);
}

}  // namespace
}  // namespace ymodem
