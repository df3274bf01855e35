#pragma once

// What the window, the sender and the driver rely on from a serial control, as one typed
// suite that every control passes: the tests' fake, and each system's real control on a
// line whose device end the test plays. A test passing over the fake then means the same
// over a real port.
//
// A Line gives: Control(); PortName(); DeviceSends(bytes); DeviceReceives(enough), which
// collects what the device got until enough says so; DeviceGoesAway(); WaitFor(done),
// which runs the control's event loop until done() or a few seconds pass; and
// kHoldsUnsentOutput, whether output can still wait to be sent (nothing: it may or may not).
// A line with Available() may be missing where the test runs; its tests are then skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>
#include <optional>
#include <vector>

#include "PortTestSupport.h"
#include "SerialControl.h"

namespace ymodem::contract {

using ymodem::ErrorNumberOf;
using Bytes = std::vector<std::uint8_t>;

// Every byte value in turn, so that no flow-control or line-end translation goes
// unnoticed.
inline Bytes Frame(std::size_t size, std::uint8_t first) {
    Bytes frame(size);
    std::iota(frame.begin(), frame.end(), first);
    return frame;
}

// Hears what the control reports.
struct Listener final : SerialListener {
    std::function<void()> Comm = [] {};
    std::function<void()> Lost = [] {};
    int Losses = 0;
    void OnComm() override { Comm(); }
    void OnPortLost() override {
        ++Losses;
        Lost();
    }
};

template <typename Line>
class PortContract : public testing::Test {
protected:
    void SetUp() override {
        if constexpr (requires { line_.Available(); }) {
            if (!line_.Available()) GTEST_SKIP() << "no line to test on here";
        }
        Control().SetListener(&listener_);
        Control().SetCommPort(line_.PortName());
        Control().SetSettings("115200,N,8,1");
        Control().SetPortOpen(true);
    }
    void TearDown() override { Control().SetListener(nullptr); }

    SerialControl& Control() { return line_.Control(); }
    Bytes DeviceReceivesCount(std::size_t count) {
        return line_.DeviceReceives([count](const Bytes& bytes) { return bytes.size() >= count; });
    }

    Line line_;
    Listener listener_;
};

TYPED_TEST_SUITE_P(PortContract);

TYPED_TEST_P(PortContract, RefusedOperationsFailWithTheirNumberAndChangeNothing) {
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

TYPED_TEST_P(PortContract, ClosedPortSendsNothingAndOpensAgain) {
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

TYPED_TEST_P(PortContract, FramesReachTheDeviceWholeAndInOrder) {
    const std::vector<Bytes> frames = {Frame(133, 0), Frame(1029, 7), Frame(40 * 1029, 200)};
    Bytes expected;
    for (const Bytes& frame : frames) {
        this->Control().Output(frame);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(this->DeviceReceivesCount(expected.size()), expected);
}

// What waits to be sent is dropped, cut anywhere, but what follows arrives whole.
TYPED_TEST_P(PortContract, DiscardingUnsentOutputKeepsLaterFramesWhole) {
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
    if (const std::optional<bool> holds = TypeParam::kHoldsUnsentOutput) {
        EXPECT_EQ(dropped, *holds);
    }
    const auto sentBefore = received.end() - static_cast<std::ptrdiff_t>(marker.size());
    EXPECT_TRUE(std::equal(sentBefore, received.end(), marker.begin()));
    EXPECT_TRUE(std::all_of(received.begin(), sentBefore, [](auto b) { return b == 0x55; }));
}

// The listener may read the bytes from inside the report: it is not raised from inside one
// of the control's own operations.
TYPED_TEST_P(PortContract, ArrivingBytesReportOnCommWithEvent2AndComeBackFromInput) {
    SerialControl& control = this->Control();
    control.SetRThreshold(1);
    const Bytes sent = {0x06, 0x43, 0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF};
    Bytes received;
    int eventDuringOnComm = 0;
    std::optional<ArrivalTime> arrived;
    ArrivalTime handedOut;
    this->listener_.Comm = [&] {
        eventDuringOnComm = control.CommEvent();
        const Bytes input = control.Input();
        if (input.empty()) return;
        handedOut = std::chrono::steady_clock::now();
        arrived = control.InputArrived();
        received.insert(received.end(), input.begin(), input.end());
    };
    const ArrivalTime sentAt = std::chrono::steady_clock::now();
    this->line_.DeviceSends(sent);
    EXPECT_TRUE(this->line_.WaitFor([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(eventDuringOnComm, SerialControl::kEventReceive);
    // A byte's time is when the system had it: after it was sent, before it was handed out.
    ASSERT_TRUE(arrived.has_value());
    EXPECT_GE(*arrived, sentAt);
    EXPECT_LE(*arrived, handedOut);
}

// Bytes that arrive while the control waits for its output are reported once the wait is
// over, from the event loop, and none is lost.
TYPED_TEST_P(PortContract, WaitingForOutputRaisesNothingFromInsideTheWait) {
    SerialControl& control = this->Control();
    control.SetRThreshold(1);
    bool waiting = false;
    int reportsWhileWaiting = 0;
    Bytes received;
    this->listener_.Comm = [&] {
        reportsWhileWaiting += waiting ? 1 : 0;
        const Bytes input = control.Input();
        received.insert(received.end(), input.begin(), input.end());
    };
    const Bytes sent = Frame(64, 0);
    this->line_.DeviceSends(sent);
    control.Output(Frame(64 * 1024, 0));
    waiting = true;
    control.WaitForOutput(300);  // nobody reads the device side: the wait runs out
    waiting = false;
    EXPECT_TRUE(this->line_.WaitFor([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(reportsWhileWaiting, 0);
}

// Discarding the input drops what came before it, not what comes after.
TYPED_TEST_P(PortContract, BytesArrivingAfterADiscardOfInputAreKept) {
    SerialControl& control = this->Control();
    this->line_.DeviceSends(Frame(40, 0));
    ASSERT_TRUE(this->line_.WaitFor([&] { return control.InBufferCount() >= 40; }));
    control.SetInBufferCount(0);
    EXPECT_EQ(control.InBufferCount(), 0u);

    const Bytes later = Frame(5, 0x80);
    this->line_.DeviceSends(later);
    EXPECT_TRUE(this->line_.WaitFor([&] { return control.InBufferCount() >= later.size(); }));
    EXPECT_EQ(control.Input(), later);
}

TYPED_TEST_P(PortContract, DeviceGoingAwayClosesThePortAndReportsTheLossOnce) {
    SerialControl& control = this->Control();
    bool openWhenLost = true;
    this->listener_.Lost = [&] { openWhenLost = control.PortOpen(); };
    this->line_.DeviceGoesAway();
    ASSERT_TRUE(this->line_.WaitFor([&] { return this->listener_.Losses > 0; }));
    EXPECT_FALSE(openWhenLost);
    control.Output(Frame(133, 0));
    this->line_.WaitFor([] { return false; });  // no second report
    EXPECT_EQ(this->listener_.Losses, 1);
}

REGISTER_TYPED_TEST_SUITE_P(PortContract, RefusedOperationsFailWithTheirNumberAndChangeNothing,
                            ClosedPortSendsNothingAndOpensAgain,
                            FramesReachTheDeviceWholeAndInOrder,
                            DiscardingUnsentOutputKeepsLaterFramesWhole,
                            ArrivingBytesReportOnCommWithEvent2AndComeBackFromInput,
                            WaitingForOutputRaisesNothingFromInsideTheWait,
                            BytesArrivingAfterADiscardOfInputAreKept,
                            DeviceGoingAwayClosesThePortAndReportsTheLossOnce);

}  // namespace ymodem::contract
