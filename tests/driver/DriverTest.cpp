#include <gtest/gtest.h>

#include "FakeSerialControl.h"
#include "FakeWakeTimer.h"
#include "MemoryBurnFiles.h"
#include "TransferDriver.h"

namespace ymodem::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A driver over an open fake port whose clock moves 100 µs each time it is read, so that
// every deadline it arms for lies a fraction of a millisecond away.
struct DriverRig {
    FakeSerialControl comm;
    MemoryBurnFiles files;
    FakeWakeTimer wake;
    TimePoint now{0};
    std::vector<TransferEvent> events;
    std::vector<std::string> owner;  // what the owner heard, in order
    TransferDriver driver{comm, files, [](std::string_view name) { return std::string(name); },
                          wake, [this] { return now += 100us; }};

    DriverRig() {
        files.Files["a.bin"] = Bytes(100, 0x5A);
        driver.OnEvent([this](const TransferEvent& event) {
            events.push_back(event);
            owner.push_back("event");
        });
        driver.OnPortLost(
            [this] { owner.push_back(driver.NextWake() ? "lost while timers run" : "lost"); });
        comm.SetCandidates({"COM1"});
        comm.SetCommPort("COM1");
        comm.SetRThreshold(1);
        comm.SetPortOpen(true);
    }
};

TEST(TransferDriver, ArmsForTheNextDeadlineRoundedUpAfterEveryInput) {
    DriverRig rig;
    EXPECT_EQ(rig.wake.Armed(), std::nullopt);
    ASSERT_TRUE(rig.driver.LoadBurnFile("a.bin"));
    EXPECT_EQ(rig.events, (std::vector<TransferEvent>{event::FileInformation{100, 1, {0x66, 0x78}},
                                                      event::Progress{0, 1}}));
    EXPECT_EQ(rig.wake.Armed(), std::nullopt);  // a load starts no timer

    // The burst timer is due 2 ms after the bytes came; 1.9 ms are left when it is armed.
    rig.comm.InjectInput(Bytes{'C'});
    EXPECT_EQ(rig.wake.Armed(), 2);

    rig.now = *rig.driver.NextWake();
    rig.wake.Fire();
    ASSERT_EQ(rig.comm.Frames().size(), 1u);
    EXPECT_EQ(rig.events.back(), TransferEvent{event::HandshakeStarted{}});
    // Next comes the silence watchdog, 2 s after the bytes, less the 2.1 ms gone since.
    EXPECT_EQ(rig.wake.Armed(), 1998);

    // A new image ends the transfer and with it every timer.
    ASSERT_TRUE(rig.driver.LoadBurnFile("a.bin"));
    EXPECT_EQ(rig.wake.Armed(), std::nullopt);
}

TEST(TransferDriver, AWakeUpWithNothingDueChangesNothing) {
    DriverRig rig;
    rig.driver.LoadBurnFile("a.bin");
    rig.comm.InjectInput(Bytes{'C'});
    const auto armed = rig.wake.Armed();
    ASSERT_TRUE(armed);
    rig.events.clear();
    rig.wake.Fire();  // early: only 0.2 ms have passed
    EXPECT_TRUE(rig.events.empty());
    EXPECT_TRUE(rig.comm.Frames().empty());
    EXPECT_EQ(rig.wake.Armed(), armed);
}

// The owner hears of a lost port last: after the engine has judged the device's last
// bytes, reported it all and stopped its timers.
TEST(TransferDriver, ALostPortReachesTheOwnerAfterTheEngineHalted) {
    DriverRig rig;
    rig.driver.LoadBurnFile("a.bin");
    rig.comm.InjectInput(Bytes{'C'});
    rig.owner.clear();
    rig.events.clear();
    rig.comm.LosePort();
    ASSERT_GE(rig.owner.size(), 2u);
    EXPECT_EQ(rig.owner.front(), "event");
    EXPECT_EQ(rig.owner.back(), "lost");
    EXPECT_EQ(rig.events.front(), TransferEvent{event::HandshakeStarted{}});
    EXPECT_EQ(rig.wake.Armed(), std::nullopt);
}

// Bytes count from when they arrived, as far as the burst timer can tell: never later than
// when they were handed out, nor before bytes the engine already has.
TEST(TransferDriver, ReceivedBytesCountFromTheirArrival) {
    const struct {
        std::optional<std::chrono::microseconds> age;  // none: the line cannot tell
        bool afterEarlierBytes;
        std::chrono::microseconds dueAfterHandedOut;  // at most, for real ages
    } cases[] = {
        {std::nullopt, false, 2000us},
        {-1s, false, 2000us},
        {1500us, false, 500us},
        {10s, true, 1800us},  // from the earlier bytes, handed 200 µs before
    };
    for (const auto& c : cases) {
        DriverRig rig;
        rig.driver.LoadBurnFile("a.bin");
        if (c.afterEarlierBytes) rig.comm.InjectInput(Bytes{'C'});
        const TimePoint handedOut = rig.now + 100us;
        const auto arrived = c.age ? std::chrono::steady_clock::now() - *c.age : kArrivalUnknown;
        rig.comm.InjectInput(Bytes{'C'}, arrived);
        const auto due = *rig.driver.NextWake() - handedOut;
        if (c.age == 1500us) {
            EXPECT_LE(due, c.dueAfterHandedOut);
        } else {
            EXPECT_EQ(due, c.dueAfterHandedOut) << c.age.value_or(0us).count();
        }
    }
}

}  // namespace
}  // namespace ymodem::test
