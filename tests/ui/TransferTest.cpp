#include <gtest/gtest.h>

#include <chrono>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kAck = 0x06;

Bytes Head(const Bytes& frame, std::size_t count) {
    return Bytes(frame.begin(), frame.begin() + std::min(count, frame.size()));
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A window with fw.bin (1100 bytes: one 1K block and one 128-byte block) and COM12 open.
void OpenWithFirmware(TestWindow& w) {
    w.Store("Path", w.MakeBurnFile("fw.bin", 1100));
    w.StartOnPort("COM12");
    w.controls.CmdOpenAndClosePort.Click();
    ASSERT_TRUE(w.comm.PortOpen());
}

TEST(UiTransfer, WholeFileThroughTheWindowsPort) {
    TestWindow w;
    OpenWithFirmware(w);
    const auto& frames = w.comm.Frames();
    const Bytes file = PatternBytes(1100);
    // The device's bytes pass through the fake port and the window's driver; the window
    // answers once the line has been quiet, at the deadline the engine asks to be woken.
    const auto reply = [&](const Bytes& bytes) {
        const std::size_t before = frames.size();
        w.comm.InjectInput(bytes);
        EXPECT_EQ(frames.size(), before);
        return w.WakeAtDeadline();
    };
    const auto status = [&] { return w.controls.Label4.Text; };

    reply({'C'});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 133u);
    EXPECT_EQ(Head(frames[0], 15),
              Concat({0x01, 0x00, 0xFF}, {'f', 'w', '.', 'b', 'i', 'n', 0, '1', '1', '0', '0', 0}));
    EXPECT_EQ(status(), "正在尝试通讯握手...");

    reply({kAck, 'C'});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].size(), 1029u);
    EXPECT_EQ(Head(frames[1], 1027), Concat({0x02, 0x01, 0xFE}, Head(file, 1024)));
    EXPECT_EQ(status(), "发送第1包...");

    const TimePoint lastBlock = reply({kAck});
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].size(), 133u);
    EXPECT_EQ(Head(frames[2], 79),
              Concat({0x01, 0x02, 0xFD}, Bytes(file.begin() + 1024, file.end())));
    EXPECT_EQ(status(), "发送第2包...");

    EXPECT_EQ(w.WakeAtDeadline(), lastBlock + 20ms);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[3], Bytes{0x04});
    EXPECT_EQ(status(), "发送文件传输结束命令...");

    reply({kAck});
    EXPECT_EQ(frames.size(), 4u);
    EXPECT_EQ(status(), "文件发送完毕!");
    EXPECT_EQ(w.controls.ProgressBar1.Max, 2);
    EXPECT_EQ(w.controls.ProgressBar1.Value, 2);

    // Ready for the next device; a full bar means no timeout is reported.
    w.WakeAtDeadline();
    EXPECT_EQ(w.form.Driver().State().SendStep, SendStep::Idle);
    EXPECT_EQ(status(), "文件发送完毕!");
}

TEST(UiTransfer, AFirstStartWithoutABurnFileAnswersNoC) {
    TestWindow w;
    w.StartOnPort("COM12");  // the stored path is the home folder
    w.controls.CmdOpenAndClosePort.Click();
    w.Reply({'C'});
    EXPECT_TRUE(w.comm.Frames().empty());
    EXPECT_EQ(w.controls.Label4.Text, "请选择一个烧写文件");
}

TEST(UiTransfer, SilentDeviceIsReportedAfterTwoSeconds) {
    TestWindow w;
    OpenWithFirmware(w);
    w.now = TimePoint{10s};
    w.comm.InjectInput(Bytes{'C'});
    w.now += 2ms;
    w.wake.Fire();
    ASSERT_EQ(w.comm.Frames().size(), 1u);
    EXPECT_EQ(w.wake.Armed(), 1998);

    w.now = TimePoint{12s} - 1ns;  // a wake-up a little early changes nothing
    w.wake.Fire();
    EXPECT_EQ(w.controls.Label4.Text, "正在尝试通讯握手...");
    w.now = TimePoint{12s};
    w.wake.Fire();
    EXPECT_EQ(w.controls.Label4.Text, "传输超时,请断电后再次尝试!");
    EXPECT_EQ(w.form.Driver().State().SendStep, SendStep::Idle);
}

}  // namespace
}  // namespace ymodem::test
