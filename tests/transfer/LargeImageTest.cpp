#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "Frames.h"

// Images beyond the window's limit and YMODEM-G, as ymodem-send runs the engine.
namespace ymodem::test {
namespace {

Bytes Pattern(std::size_t size) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 % 251);
    return image;
}

void UseSenderRules(EngineHarness& h) {
    h.Engine.SetImageLimit(kMaxLargeImageSize);
    h.Engine.SetStreamOnG(true);
}

// Every data frame carries its count modulo 256 and the image's bytes from the plan's offset,
// the tail filled with 0x1A; gives the number of data frames.
std::size_t ExpectImageOnTheLine(const std::vector<Bytes>& frames, const Bytes& image) {
    std::size_t offset = 0;
    std::size_t count = 0;
    for (std::size_t at = 1; at < frames.size(); ++at) {  // after block 0
        const Bytes& frame = frames[at];
        if (frame.size() < kShortFrameSize) continue;  // the EOT
        ++count;
        const std::size_t payload = frame.size() - 5;
        EXPECT_EQ(frame[1], static_cast<std::uint8_t>(count)) << "block " << count;
        EXPECT_EQ(static_cast<std::uint8_t>(frame[1] + frame[2]), 0xFF);
        for (std::size_t i = 0; i < payload; ++i) {
            const std::uint8_t wanted = offset + i < image.size() ? image[offset + i] : kFill;
            if (frame[3 + i] != wanted) {
                ADD_FAILURE() << "block " << count << " byte " << i;
                return count;
            }
        }
        offset += payload;
    }
    return count;
}

TEST(TransferLargeImage, EverySizeGoesOutWithTheSamePlanAndWrappedNumbers) {
    struct Case {
        std::size_t Size;
        int PackCount;
    };
    const Case cases[] = {{32767, 39}, {32768, 32}, {40000, 40}, {300000, 300}, {1 << 20, 1024}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Size);
        EngineHarness h;
        UseSenderRules(h);
        const Bytes image = Pattern(c.Size);
        h.Load("big.bin", image);
        EXPECT_EQ(h.State().PackCount, c.PackCount);
        EXPECT_EQ(h.View.FileInfo.rfind("文件大小: " + std::to_string(c.Size) +
                                            "  包数: " + std::to_string(c.PackCount),
                                        0),
                  0u);
        const DeviceRun run = RunWholeTransfer(h);
        EXPECT_TRUE(run.Finished);
        const std::size_t blocks = ExpectImageOnTheLine(run.Frames, image);
        EXPECT_EQ(blocks, c.Size % 128 == 0 ? c.Size / 1024 + c.Size % 1024 / 128 + 1
                                            : static_cast<std::size_t>(c.PackCount));
        const auto& texts = h.View.StatusTexts;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "发送第256包..."), blocks >= 256);
        EXPECT_EQ(h.View.Events.back(), TransferEvent{event::TransferEnded{}});
    }
}

TEST(TransferLargeImage, TheImageLimitIsTheCallers) {
    const struct {
        std::int32_t Limit;  // 0: the window's
        std::size_t Size;
        bool Loads;
    } cases[] = {{0, 32767, true}, {0, 32768, false}, {40000, 40000, true}, {40000, 40001, false}};
    for (const auto& c : cases) {
        EngineHarness h;
        if (c.Limit != 0) h.Engine.SetImageLimit(c.Limit);
        h.Files.Files["f.bin"] = Bytes(c.Size, 1);
        EXPECT_EQ(h.LoadPath("f.bin"), c.Loads) << c.Limit << " " << c.Size;
    }
}

// G after block 0 streams every block unacknowledged, as the port drains, never more than a
// few blocks queued; the EOT's ACK finishes it.
TEST(TransferLargeImage, YmodemGStreamsAsThePortDrains) {
    EngineHarness window;
    window.Load("a.bin", Pattern(5000));
    window.Reply({kStreamRequest});
    EXPECT_TRUE(window.Link.Frames.empty());  // the window answers only C

    EngineHarness h;
    UseSenderRules(h);
    const Bytes image = Pattern(300000);
    h.Load("a.bin", image);
    h.Reply({kStreamRequest});
    ASSERT_EQ(h.Link.Frames.size(), 1u);
    h.Link.Queued = 0;
    h.Reply({kStreamRequest});
    for (int ms = 0; ms < 5000 && h.Step() != static_cast<int>(SendStep::EotSent); ++ms) {
        h.Link.Queued = h.Link.Queued > 2000 ? h.Link.Queued - 2000 : 0;  // the line drains
        h.Advance(1ms);
    }
    EXPECT_LT(h.Link.MostQueued, kStreamQueueLimit);
    EXPECT_EQ(ExpectImageOnTheLine(h.Link.Frames, image), 300u);
    EXPECT_EQ(h.Link.Frames.back(), Bytes{kEot});
    h.Reply({kAck});
    EXPECT_EQ(h.View.StatusTexts.front(), "正在尝试通讯握手...");
    EXPECT_EQ(h.View.StatusTexts.size(), 300u + 3);
    EXPECT_EQ(h.View.Status(), "文件发送完毕!");
    EXPECT_EQ(h.View.Events.back(), TransferEvent{event::TransferEnded{}});
}

// The receiver's CAN CAN drops what waits in the port and ends the stream at once, without
// the quiet gap; a line that stops draining is the watchdog's after 2 s. A port that takes
// everything at once, as a pseudo-terminal does, is written no further ahead of the line's
// rate than about two blocks.
TEST(TransferLargeImage, AStreamEndsOnCancelOrOnALineThatStopsDraining) {
    const struct {
        const char* Name;
        bool Cancel;
        std::string Status;
        event::TransferOutcome Outcome;
        std::int64_t LineRate = 0;  // bytes a second; 0: the queue never drains
    } cases[] = {
        {"CAN CAN", true, "发生错误!!!", event::TransferOutcome::Rejected},
        {"stalled line", false, "传输超时,请断电后再次尝试!", event::TransferOutcome::TimedOut},
        {"CAN CAN, port swallowing all at 11520 B/s", true, "发生错误!!!",
         event::TransferOutcome::Rejected, 11520}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        UseSenderRules(h);
        h.Engine.SetStreamLineRate(c.LineRate);
        h.Load("a.bin", Pattern(1 << 20));
        h.Reply({kStreamRequest});
        h.Reply({kStreamRequest});
        for (int ms = 0; ms < 1900; ++ms) {  // a stalled queue alone holds the watchdog off
            if (c.LineRate > 0) h.Link.Queued = 0;
            h.Advance(1ms);
        }
        const std::size_t sent = h.Link.Frames.size();
        if (c.LineRate > 0) {
            EXPECT_LE(sent, 2 + (1900 * 11520 / 1000) / kLongFrameSize + 2);
        }
        if (c.Cancel) h.Receive({kCan, kCan});
        EXPECT_EQ(h.Step(), c.Cancel ? 0 : static_cast<int>(SendStep::Streaming));
        h.Advance(200ms);
        EXPECT_EQ(h.Step(), 0);
        EXPECT_EQ(h.View.Status(), c.Status);
        EXPECT_EQ(h.Link.Frames.size(), sent);
        EXPECT_EQ(h.View.Events.back(), TransferEvent{event::TransferEnded{c.Outcome}});
        if (c.Cancel) {
            EXPECT_EQ(h.Link.Operations.back(), "OutBufferCount=0");
        }
    }
}

}  // namespace
}  // namespace ymodem::test
