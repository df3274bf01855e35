#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "Frames.h"

// How transfers end beyond the window's own rules: a lost port, the end of a batch for
// batch receivers, and the cancel on an interrupt.
namespace ymodem::test {
namespace {

Bytes Image(std::size_t size) {
    return Bytes(size, 0x5A);
}

// A lost port ends the transfer at once: nothing is due afterwards, nothing is reported.
// The bytes that came before the loss are the device's last word and are judged; then
// nothing is due and nothing more is reported.
TEST(TransferSender, ALostPortEndsTheTransferAtOnceAfterItsLastBurst) {
    struct Case {
        const char* Name;
        bool EndSession;
        Bytes LastBurst;
        std::string LastStatus;
    };
    const Case cases[] = {
        {"mid-transfer", false, {kAck}, "发送第2包..."},
        {"the batch end acknowledged", true, {kAck}, "传输会话已结束!"},
        {"gone before acknowledging the batch end", true, {}, "传输会话结束命令未获确认!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        h.Load("x.bin", Image(c.EndSession ? 100 : 5000));
        if (c.EndSession) h.Engine.EndSessionAfterNextFinish();
        h.Reply({kCrcRequest});
        h.Reply({kAck});
        if (c.EndSession) {
            h.Advance(25ms);
            h.Reply({kAck, kCrcRequest});  // the EOT's ACK and the request for the next file
        }
        if (!c.LastBurst.empty()) h.Receive(c.LastBurst);
        h.Engine.OnPortLost();
        h.TakeEvents();
        EXPECT_EQ(h.View.Status(), c.LastStatus);
        EXPECT_EQ(h.Step(), 0);
        EXPECT_EQ(h.Engine.NextWake(), std::nullopt);
        // Even a wake-up long after finds no timer left to fire.
        h.Engine.OnWake(h.Now + 6s);
        EXPECT_EQ(h.Engine.PollEvent(), std::nullopt);
    }
}

// Batch receivers ask for the next file after the EOT; the armed sender answers that
// request with the empty block 0 and starts nothing more.
TEST(TransferSender, TheBatchEndsWithTheEmptyBlockZero) {
    const Bytes emptyHead = [] {
        Bytes frame(133, 0);
        frame[0] = 0x01;
        frame[2] = 0xFF;
        return frame;
    }();
    struct Case {
        const char* Name;
        Bytes FinalReply;                 // the answer to the EOT
        std::optional<Bytes> LaterReply;  // one second later
        bool HeadSent;
        event::SessionEnded Ended;
    };
    const Case cases[] = {
        {"C with the ACK, as U-Boot sends it",
         {kAck, kAck, kCrcRequest},
         Bytes{kAck},
         true,
         {true, true}},
        {"C a second later", {kAck}, Bytes{kCrcRequest}, true, {true, false}},
        {"no C at all", {kAck}, std::nullopt, false, {false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        h.Load("x.bin", Image(100));
        h.Engine.EndSessionAfterNextFinish();
        h.Reply({kCrcRequest});
        h.Reply({kAck, kCrcRequest});
        h.Advance(25ms);
        h.Reply(c.FinalReply);
        ASSERT_EQ(h.View.StatusTexts.back(), "文件发送完毕!");
        h.Advance(1s);
        if (c.LaterReply) h.Reply(*c.LaterReply);
        h.Advance(6s);
        h.Reply({kCrcRequest});  // asking again after the end starts nothing
        ASSERT_EQ(h.Link.Frames.size(), c.HeadSent ? 4u : 3u);
        if (c.HeadSent) {
            EXPECT_EQ(h.Link.Frames.back(), emptyHead);
        }
        const auto ended =
            std::count(h.View.Events.begin(), h.View.Events.end(), TransferEvent{c.Ended});
        EXPECT_EQ(ended, 1);
    }
}

TEST(TransferSender, AnAbortCancelsOnlyATransferUnderWayBehindItsLastFrame) {
    struct Case {
        const char* Name;
        int Acks;  // replies after block 0; the image has 12 blocks
        bool Cancelled;
    };
    const Case cases[] = {
        {"idle", -1, false}, {"after block 0", 0, true}, {"mid-transfer", 4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        h.Load("x.bin", Image(5000));
        if (c.Acks >= 0) h.Reply({kCrcRequest});
        for (int i = 0; i < c.Acks; ++i) h.Reply({kAck});
        const std::size_t frames = h.Link.Frames.size();
        h.Link.Operations.clear();
        EXPECT_EQ(h.Engine.Abort(), c.Cancelled);
        h.TakeEvents();
        if (!c.Cancelled) {
            EXPECT_EQ(h.Link.Frames.size(), frames);
            continue;
        }
        EXPECT_EQ(h.Link.Frames.back(), (Bytes{kCan, kCan}));
        EXPECT_EQ(h.Link.Operations, (std::vector<std::string>{"PortOpen?", "Output"}));
        EXPECT_EQ(h.View.Status(), "传输已中止!");
        EXPECT_EQ(h.Engine.NextWake(), std::nullopt);
    }
}

}  // namespace
}  // namespace ymodem::test
