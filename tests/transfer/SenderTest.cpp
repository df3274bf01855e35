#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "Frames.h"

namespace ymodem::test {
namespace {

Bytes Image(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    return bytes;
}

// Offsets and sizes of the data blocks for an image, worked out from the block layout.
std::vector<std::pair<std::size_t, std::size_t>> ExpectedBlocks(std::size_t size) {
    std::vector<std::pair<std::size_t, std::size_t>> blocks;
    std::size_t offset = 0;
    for (; size - offset >= 1024; offset += 1024) blocks.emplace_back(offset, 1024);
    for (;; offset += 128) {
        blocks.emplace_back(offset, 128);
        if (offset + 128 > size) break;
    }
    return blocks;
}

TEST(TransferSender, WholeTransfersPutEveryFrameOnTheLineExactly) {
    for (const std::size_t size :
         {0, 1, 100, 127, 128, 1000, 1024, 1025, 1100, 1152, 1280, 2048, 5000, 31744, 32767}) {
        for (const bool split : {false, true}) {
            SCOPED_TRACE(testing::Message() << size << (split ? " split" : ""));
            EngineHarness h;
            const Bytes image = Image(size);
            h.Load("/fw/app.bin", image);
            const DeviceRun run = RunWholeTransfer(h, split);
            ASSERT_TRUE(run.Finished);
            const auto blocks = ExpectedBlocks(size);
            const std::size_t planned = static_cast<std::size_t>(h.State().PackCount);
            EXPECT_EQ(blocks.size(), size % 128 == 0 ? planned + 1 : planned);
            ASSERT_EQ(run.Frames.size(), blocks.size() + 2);
            EXPECT_EQ(run.Frames.front(),
                      ExpectedHeadFrame(Bytes{'a', 'p', 'p', '.', 'b', 'i', 'n'}, size));
            for (std::size_t i = 0; i < blocks.size(); ++i) {
                ASSERT_EQ(run.Frames[i + 1],
                          ExpectedDataFrame(image, blocks[i].first, blocks[i].second,
                                            static_cast<std::uint8_t>(i + 1)))
                    << "block " << i + 1;
            }
            EXPECT_EQ(run.Frames.back(), Bytes{kEot});
            EXPECT_EQ(h.Step(), 2);
            EXPECT_EQ(h.View.Value, h.View.Max);
            // The fast reset finds the bar full and keeps the text.
            h.Advance(600ms);
            EXPECT_EQ(h.Step(), 0);
            EXPECT_EQ(h.View.Status(), "文件发送完毕!");
            EXPECT_EQ(h.State().CurPgno, blocks.size());
        }
    }
}

TEST(TransferSender, EventsReportEveryStepInOrder) {
    EngineHarness h;
    h.Load("x.bin", Image(100));
    h.View.Events.clear();
    RunWholeTransfer(h);
    h.Advance(600ms);
    EXPECT_EQ(h.View.Events, (std::vector<TransferEvent>{event::HandshakeStarted{},
                                                         event::BlockSent{1}, event::Progress{1, 1},
                                                         event::EotSent{}, event::Finished{},
                                                         event::TransferEnded{}}));
}

TEST(TransferSender, StatusLineReportsEveryStep) {
    EngineHarness h;
    h.Load("x.bin", Image(2048));
    RunWholeTransfer(h);
    EXPECT_EQ(h.View.StatusTexts, (std::vector<std::string>{
                                      "正在尝试通讯握手...", "发送第1包...", "发送第2包...",
                                      "发送第3包...", "发送文件传输结束命令...", "文件发送完毕!"}));
}

TEST(TransferSender, EachFrameIsOneWriteAfterEmptyingTheOutputAndTheEotKeepsTheLastBlock) {
    EngineHarness h;
    h.Load("x.bin", Image(100));
    RunWholeTransfer(h);
    const std::vector<std::string> frame{"PortOpen?", "OutBufferCount=0", "Output"};
    std::vector<std::string> expected;
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), frame.begin(), frame.end());
    expected.insert(expected.end(), {"PortOpen?", "Output"});
    EXPECT_EQ(h.Link.Operations, expected);
}

TEST(TransferSender, ClosedPortDropsFramesButTheBookkeepingRunsOn) {
    EngineHarness h;
    h.Load("x.bin", Image(3000));
    h.Link.Open = false;
    h.Reply({kCrcRequest});
    h.Reply({kAck});
    h.Reply({kAck});
    EXPECT_TRUE(h.Link.Frames.empty());
    EXPECT_EQ(h.State().SentLen, 2048);
    EXPECT_EQ(h.State().CurPgno, 2);
    EXPECT_EQ(std::count(h.Link.Operations.begin(), h.Link.Operations.end(), "PortOpen?"), 3);
    EXPECT_EQ(h.Link.Operations.size(), 3u);
}

// Brings the sender into step through the line, leaving stale in position 1 of the buffer.
// In steps 3 and 4 the image is one block long; before that it is 5000 bytes.
void DriveTo(EngineHarness& h, std::uint8_t step, std::uint8_t stale) {
    h.Load("x.bin", Image(step >= 3 ? 100 : 5000));
    if (stale != 0 && step <= 1) h.Reply({0x41, stale});  // ignored while idle
    if (step == 0) return;
    if (step == 2) {
        h.Reply({0x41, kNak});
        return;
    }
    h.Reply({kCrcRequest});
    if (step == 1) return;
    h.Reply(stale != 0 ? Bytes{kAck, stale} : Bytes{kAck});
    if (step == 4) h.Advance(20ms);
    ASSERT_EQ(h.Step(), step);
}

// One burst judged in a given state: what goes out and where the sender ends up.
TEST(TransferSender, RulesForOneBurst) {
    struct Case {
        std::string Name;
        std::uint8_t Step;
        Bytes Burst;
        std::uint8_t StaleSecond;  // what an earlier burst left in position 1
        std::size_t FramesSent;
        std::uint8_t StepAfter;
        std::string Status;
        bool FastResetStarted;
    };
    const Case cases[] = {
        {"C in idle sends block 0", 0, {kCrcRequest}, 0, 1, 1, "正在尝试通讯握手...", false},
        {"C in position 1 alone does not start", 0, {0x00, kCrcRequest}, 0, 0, 0, "", false},
        {"other bytes in idle do nothing", 0, {0x41, 0x42}, 0, 0, 0, "", false},
        {"NAK first in idle", 0, {kNak}, 0, 0, 0, "发生错误!!!", true},
        {"NAK first while sending keeps the state", 1, {kNak, kAck}, 0, 0, 1, "发生错误!!!", true},
        {"ACK sends the next block", 1, {kAck}, 0, 1, 1, "发送第1包...", false},
        {"ACK and C together send one block",
         1,
         {kAck, kCrcRequest},
         0,
         1,
         1,
         "发送第1包...",
         false},
        {"a repeated C is an acknowledgement", 1, {kCrcRequest}, 0, 1, 1, "发送第1包...", false},
        {"stale ACK in position 1 still counts", 1, {0x55}, kAck, 1, 1, "发送第1包...", false},
        {"stale C in position 1 still counts", 1, {0x55}, kCrcRequest, 1, 1, "发送第1包...", false},
        {"ACK after EOT finishes", 4, {kAck}, 0, 0, 2, "文件发送完毕!", true},
        {"C then ACK after EOT finishes", 4, {kCrcRequest, kAck}, 0, 0, 2, "文件发送完毕!", true},
        {"C after EOT is not an ACK", 4, {kCrcRequest, 0x00}, 0, 0, 4, "", false},
        {"ACK in state 3 changes nothing", 3, {kAck}, 0, 0, 3, "", false},
        {"NAK second stops silently", 1, {0x55, kNak}, 0, 0, 2, "", false},
        {"NAK second in idle stops too", 0, {0x00, kNak}, 0, 0, 2, "", false},
        {"stale NAK in position 1 stops", 3, {0x55}, kNak, 0, 2, "", false},
        {"NAK second after an accepted ACK is ignored",
         1,
         {kAck, kNak},
         0,
         1,
         1,
         "发送第1包...",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        DriveTo(h, c.Step, c.StaleSecond);
        const std::size_t framesBefore = h.Link.Frames.size();
        h.View.StatusTexts.clear();
        h.Reply(c.Burst);
        EXPECT_EQ(h.Link.Frames.size() - framesBefore, c.FramesSent);
        EXPECT_EQ(h.Step(), c.StepAfter);
        EXPECT_EQ(h.View.Status(), c.Status);
        EXPECT_EQ(h.Engine.TimerEnabled(TimerId::FastReset), c.FastResetStarted);
    }
}

TEST(TransferSender, AnAckWithinTheHalfSecondAfterANakStillSendsTheNextBlock) {
    EngineHarness h;
    h.Load("x.bin", Image(5000));
    h.Reply({kCrcRequest});
    h.Reply({kNak});
    h.Reply({kAck});
    EXPECT_EQ(h.Link.Frames.size(), 2u);
    h.Advance(500ms);
    EXPECT_EQ(h.Step(), 0);
    EXPECT_EQ(h.View.Status(), "传输超时,请断电后再次尝试!");
    EXPECT_EQ(h.State().CurPgno, 1);  // kept until the next block 0
    h.Reply({kCrcRequest});
    EXPECT_EQ(h.Link.Frames.size(), 3u);
    EXPECT_EQ(h.State().CurPgno, 0);
}

TEST(TransferSender, ResetsReportATimeoutOnlyWhenTheBarIsNotFull) {
    struct Case {
        std::string Name;
        std::function<void(EngineHarness&)> Run;
        std::string Status;
    };
    const Case cases[] = {
        {"silence in the middle",
         [](EngineHarness& h) {
             h.Reply({kCrcRequest});
             h.Reply({kAck});
             h.Advance(2000ms);
         },
         "传输超时,请断电后再次尝试!"},
        {"NAK before block 1 with the bar still full from the last transfer",
         [](EngineHarness& h) {
             RunWholeTransfer(h);
             h.Advance(600ms);
             h.Reply({kCrcRequest});
             h.Reply({kNak});
             h.Advance(500ms);
         },
         "发生错误!!!"},
        {"silence after a finished transfer",
         [](EngineHarness& h) {
             RunWholeTransfer(h);
             h.Advance(2500ms);
         },
         "文件发送完毕!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        h.Load("x.bin", Image(3000));
        c.Run(h);
        EXPECT_EQ(h.Step(), 0);
        EXPECT_FALSE(h.State().LastPackSent);
        EXPECT_EQ(h.State().SentLen, 0);
        EXPECT_EQ(h.View.Status(), c.Status);
        EXPECT_EQ(h.Engine.NextWake(), std::nullopt);
    }
}

TEST(TransferSender, ProgressRunsOneBlockAheadAndStopsAtMax) {
    EngineHarness h;
    h.Load("x.bin", Image(300));  // three blocks planned
    ASSERT_EQ(h.View.Max, 3);
    h.Reply({kCrcRequest});
    EXPECT_EQ(h.View.Value, 0);  // block 0 leaves the bar alone
    std::vector<int> values;
    for (int block = 0; block < 3; ++block) {
        h.Reply({kAck});
        values.push_back(h.View.Value);
    }
    EXPECT_EQ(values, (std::vector<int>{2, 3, 3}));
}

TEST(TransferSender, SilenceResetFiresTwoSecondsAfterTheLastReceiveEventWhateverTheState) {
    EngineHarness h;
    h.Load("x.bin", Image(5000));
    h.Reply({kCrcRequest});
    for (int i = 0; i < 10; ++i) {
        h.Advance(1900ms);
        h.Reply({0x00});  // noise keeps the watchdog from firing
    }
    EXPECT_EQ(h.Step(), 1);
    h.Advance(1996ms);
    EXPECT_EQ(h.Step(), 1);
    h.Advance(1ms);
    EXPECT_EQ(h.Step(), 0);
}

// A reset that lands inside the 20 ms before the EOT: the EOT still goes to a device that
// waits for it, and only a new block 0 cancels it.
TEST(TransferSender, APendingEotOutlivesAResetUntilANewBlockZero) {
    struct Case {
        const char* Name;
        bool DeviceStartsOver;
        std::size_t FramesAfterReset;
        int StepAfter;
        const char* Status;
    };
    const Case cases[] = {
        {"the device waits for the EOT", false, 1, 2, "文件发送完毕!"},
        {"the device starts over with C", true, 1, 1, "发送第1包..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        h.Load("x.bin", Image(1100));  // blocks 1 and 2
        h.Reply({kCrcRequest});
        h.Reply({kAck, kCrcRequest});
        h.Reply({kNak});   // the fast reset is due 500 ms after this burst
        h.Advance(488ms);  // block 2, the last, goes out 9 ms before the reset
        h.Reply({kAck});
        ASSERT_EQ(h.Step(), 3);
        h.Advance(10ms);
        ASSERT_EQ(h.Step(), 0);
        const std::size_t sent = h.Link.Frames.size();
        if (c.DeviceStartsOver) h.Reply({kCrcRequest});
        h.Advance(30ms);
        ASSERT_EQ(h.Link.Frames.size(), sent + c.FramesAfterReset);
        EXPECT_EQ(h.Link.Frames.back().size(), c.DeviceStartsOver ? 133u : 1u);
        h.Reply({kAck});
        EXPECT_EQ(h.Step(), c.StepAfter);
        EXPECT_EQ(h.View.Status(), c.Status);
    }
}

// Starting a running timer leaves its tick where it was: a second NAK does not put off
// the fast reset that the first one started.
TEST(TransferSender, ASecondNakDoesNotPutOffTheFastReset) {
    for (const auto secondNak : {100ms, 300ms, 499ms}) {
        SCOPED_TRACE(secondNak.count());
        EngineHarness h;
        h.Load("x.bin", Image(5000));
        h.Reply({kCrcRequest});
        h.Receive({kNak});
        h.Advance(secondNak);
        h.Receive({kNak});
        h.Advance(550ms - secondNak);
        EXPECT_EQ(h.Step(), 0);
        h.Reply({kCrcRequest});
        ASSERT_EQ(h.Link.Frames.size(), 2u);
        EXPECT_EQ(h.Link.Frames.back().size(), 133u) << "block 0 again, not a data block";
    }
}

TEST(TransferSender, WakeWithNothingDueDoesNothing) {
    EngineHarness h;
    h.Load("x.bin", Image(100));
    h.Engine.OnWake(TimePoint{5s});
    h.Reply({kCrcRequest});
    const auto frames = h.Link.Frames.size();
    h.Engine.OnWake(h.Now);
    EXPECT_EQ(h.Engine.PollEvent(), std::nullopt);
    EXPECT_EQ(h.Link.Frames.size(), frames);
    EXPECT_EQ(h.Engine.NextWake(), h.Now - 3ms + 2000ms);
}

}  // namespace
}  // namespace ymodem::test
