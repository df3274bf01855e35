#include <gtest/gtest.h>

#include <QCoreApplication>

#include "FakeSerialControl.h"
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
    TimePoint now{0};
    std::vector<TransferEvent> events;
    TransferDriver driver{comm, files, [](std::string_view name) { return std::string(name); },
                          [this] { return now += 100us; }};

    DriverRig() {
        files.Files["a.bin"] = Bytes(100, 0x5A);
        driver.OnEvent([this](const TransferEvent& event) { events.push_back(event); });
        comm.SetCandidates({"COM1"});
        comm.SetCommPort("COM1");
        comm.SetRThreshold(1);
        comm.SetPortOpen(true);
    }
};

TEST(TransferDriver, ArmsForTheNextDeadlineRoundedUpAfterEveryInput) {
    DriverRig rig;
    EXPECT_EQ(rig.driver.WakeInterval(), std::nullopt);
    ASSERT_TRUE(rig.driver.LoadBurnFile("a.bin"));
    EXPECT_EQ(rig.events, (std::vector<TransferEvent>{event::FileInformation{100, 1, {0x66, 0x78}},
                                                      event::Progress{0, 1}}));
    EXPECT_EQ(rig.driver.WakeInterval(), std::nullopt);  // a load starts no timer

    // The burst timer is due 2 ms after the bytes came; 1.9 ms are left when it is armed.
    rig.comm.InjectInput(Bytes{'C'});
    EXPECT_EQ(rig.driver.WakeInterval(), 2);

    rig.now = *rig.driver.NextWake();
    rig.driver.Wake();
    ASSERT_EQ(rig.comm.Frames().size(), 1u);
    EXPECT_EQ(rig.events.back(), TransferEvent{event::HandshakeStarted{}});
    // Next comes the silence watchdog, 2 s after the bytes, less the 2.1 ms gone since.
    EXPECT_EQ(rig.driver.WakeInterval(), 1998);

    // A new image ends the transfer and with it every timer.
    ASSERT_TRUE(rig.driver.LoadBurnFile("a.bin"));
    EXPECT_EQ(rig.driver.WakeInterval(), std::nullopt);
}

TEST(TransferDriver, AWakeUpWithNothingDueChangesNothing) {
    DriverRig rig;
    rig.driver.LoadBurnFile("a.bin");
    rig.comm.InjectInput(Bytes{'C'});
    const auto armed = rig.driver.WakeInterval();
    ASSERT_TRUE(armed);
    rig.events.clear();
    rig.driver.Wake();  // early: only 0.2 ms have passed
    EXPECT_TRUE(rig.events.empty());
    EXPECT_TRUE(rig.comm.Frames().empty());
    EXPECT_EQ(rig.driver.WakeInterval(), armed);
}

}  // namespace
}  // namespace ymodem::test

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
