#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "Frames.h"

namespace ymodem::test {
namespace {

Bytes Filled(std::size_t size, std::uint8_t value) {
    return Bytes(size, value);
}

TEST(TransferFraming, BytesWithinTheQuietGapFormOneBurst) {
    EngineHarness h;
    h.Load("x.bin", Bytes(5000, 1));
    h.Reply({kCrcRequest});
    h.Receive({kAck});
    h.Advance(1ms);
    h.Receive({kCrcRequest});
    EXPECT_EQ(h.State().ReceLen, 2);
    h.Advance(3ms);
    EXPECT_EQ(h.Link.Frames.size(), 2u);  // block 0 and block 1 only
    EXPECT_EQ(h.State().ReceBuf[0], kAck);
    EXPECT_EQ(h.State().ReceBuf[1], kCrcRequest);
    EXPECT_EQ(h.State().ReceLen, 0);
}

TEST(TransferFraming, BytesFurtherApartFormTwoBursts) {
    EngineHarness h;
    h.Load("x.bin", Bytes(5000, 1));
    h.Reply({kCrcRequest});
    h.Reply({kAck});
    h.Reply({kCrcRequest});
    EXPECT_EQ(h.Link.Frames.size(), 3u);
    EXPECT_EQ(h.State().ReceBuf[0], kCrcRequest);
}

TEST(TransferFraming, TheSameRepliesWholeOrByteByByteGiveTheSameFrames) {
    const Bytes image(2500, 0x5A);
    auto run = [&](bool byteByByte) {
        EngineHarness h;
        h.Load("x.bin", image);
        const std::vector<Bytes> replies{
            {kCrcRequest}, {kAck, kCrcRequest}, {kAck}, {kAck}, {kAck}};
        for (const auto& reply : replies) {
            if (byteByByte) {
                for (const auto byte : reply) {
                    h.Receive({byte});
                    h.Advance(500us);
                }
                h.Advance(3ms);
            } else {
                h.Reply(reply);
            }
        }
        return h.Link.Frames;
    };
    const auto whole = run(false);
    EXPECT_EQ(whole.size(), 5u);
    EXPECT_EQ(run(true), whole);
}

TEST(TransferFraming, LongBurstsAreThrownAwayWithoutTouchingTheTimers) {
    struct Case {
        std::string Name;
        std::vector<std::size_t> Chunks;
        std::int32_t ReceLenAfter;
        bool TimersRestartedByTheLast;
    };
    const Case cases[] = {
        {"1045 bytes survive", {1045}, 1045, true},
        {"1046 bytes are dropped", {1046}, 0, false},
        {"1000 then 60 overflows the buffer", {1000, 60}, 0, false},
        {"in pieces up to 1045", {500, 500, 45}, 1045, true},
        {"in pieces past 1045", {500, 500, 46}, 0, false},
        {"an empty read restarts both timers", {0}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        for (std::size_t i = 0; i < c.Chunks.size(); ++i) {
            if (i > 0) h.Advance(1ms);
            h.Receive(Filled(c.Chunks[i], static_cast<std::uint8_t>(0x30 + i)));
        }
        EXPECT_EQ(h.State().ReceLen, c.ReceLenAfter);
        std::optional<TimePoint> burstEnd;  // the quiet-gap tick, if one is running
        if (c.TimersRestartedByTheLast) {
            burstEnd = h.Now + 2ms;
        } else if (c.Chunks.size() > 1) {
            burstEnd = h.Now - 1ms + 2ms;  // started by the piece before
        }
        EXPECT_EQ(h.Engine.NextWake(), burstEnd);
    }
}

TEST(TransferFraming, OverflowKeepsTheFirst1048BytesAndTheStaleTickJudgesThem) {
    EngineHarness h;
    h.Load("x.bin", Bytes(5000, 1));
    Bytes first(1000, 0x11);
    first[0] = kCrcRequest;
    h.Receive(first);
    Bytes second(60, 0x22);
    h.Advance(1ms);
    h.Receive(second);
    EXPECT_EQ(h.State().ReceLen, 0);
    EXPECT_EQ(h.State().ReceBuf[1047], 0x22);
    EXPECT_EQ(h.State().ReceBuf[999], 0x11);
    // The tick started by the first piece still comes and judges positions 0 and 1.
    h.Advance(2ms);
    EXPECT_EQ(h.Link.Frames.size(), 1u);
    EXPECT_EQ(h.Step(), 1);
}

TEST(TransferFraming, OtherEventCodesChangeNothing) {
    EngineHarness h;
    h.Receive({kAck, kCrcRequest});
    h.Advance(3ms);
    h.Receive({kNak, kNak}, 3);
    h.Receive({kNak}, 1008);
    EXPECT_EQ(h.State().ReceLen, 0);
    EXPECT_EQ(h.State().ReceBuf[0], kAck);
    EXPECT_TRUE(h.Engine.TimerEnabled(TimerId::UpdateOv));
    EXPECT_FALSE(h.Engine.TimerEnabled(TimerId::RecvOv));
}

TEST(TransferFraming, AFailedReadDropsTheBurst) {
    EngineHarness h;
    h.Receive({kCrcRequest, 0x00});
    h.Engine.OnCommFailed();
    EXPECT_EQ(h.State().ReceLen, 0);
}

TEST(TransferFraming, AOneByteBurstIsJudgedWithTheEarlierSecondByte) {
    EngineHarness h;
    h.Load("x.bin", Bytes(5000, 1));
    h.Reply({kCrcRequest});
    h.Reply({0x00, kAck});  // block 1 through position 1
    h.Reply({0x55});        // position 1 still holds the ACK: block 2
    EXPECT_EQ(h.Link.Frames.size(), 3u);
    EXPECT_EQ(h.State().ReceBuf[1], kAck);
}

}  // namespace
}  // namespace ymodem::test
