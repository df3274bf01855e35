#include <gtest/gtest.h>

#include "DeviceSession.h"
#include "LinePacer.h"
#include "TestFrames.h"

namespace ymodem::test {
namespace {

using std::chrono::nanoseconds;

TEST(DevsimLinePacer, ALongFrameAt115200TakesEightyNinePointThreeMilliseconds) {
    const nanoseconds wire = LinePacer::WireTime(115200, 1029);
    const double milliseconds = std::chrono::duration<double, std::milli>(wire).count();
    EXPECT_NEAR(milliseconds, 89.323, 0.001);
    EXPECT_EQ(LinePacer::WireTime(9600, 1), 1'041'666ns);
    EXPECT_EQ(LinePacer::WireTime(0, 1029), 0ns);
}

TEST(DevsimLinePacer, BytesReadTogetherArriveOneByOneBehindThoseStillOnTheWire) {
    LinePacer line(10000);  // 1 ms a byte
    line.Receive(TimePoint{0ms}, Bytes{1, 2});
    line.Receive(TimePoint{1ms}, Bytes{3});   // queued behind byte 2
    line.Receive(TimePoint{10ms}, Bytes{4});  // the line was idle again
    std::vector<TimePoint> arrivals;
    while (line.HasArrival()) arrivals.push_back(line.PopArrival().At);
    EXPECT_EQ(arrivals, (std::vector<TimePoint>{1ms, 2ms, 3ms, 11ms}));
}

TEST(DevsimLinePacer, AWriteOccupiesTheLineUntilItsLastByteHasLeft) {
    LinePacer line(10000);
    EXPECT_EQ(line.Send(TimePoint{0ms}, 2), TimePoint{2ms});
    EXPECT_EQ(line.Send(TimePoint{1ms}, 1), TimePoint{3ms});
    EXPECT_EQ(line.Send(TimePoint{5ms}, 1), TimePoint{6ms});
}

TEST(DevsimPacedSession, TheAckGoesOutOnlyOnceTheBlockHasArrivedAndTheAckCrossedTheLine) {
    const auto frames = TransferFrames("fw.bin", Image(2000), BlockSizes::Sender);
    constexpr std::uint32_t kBaud = 115200;
    DeviceSession session({}, kBaud, TimePoint{0ms});
    session.OnWake(TimePoint{0ms});
    EXPECT_EQ(session.TakeWrites(TimePoint{0ms}), std::vector<Bytes>{});  // C still on the wire
    const TimePoint cOut = TimePoint{0ms} + LinePacer::WireTime(kBaud, 1);
    EXPECT_EQ(session.TakeWrites(cOut), std::vector<Bytes>{{0x43}});

    const TimePoint readAt{10ms};
    session.OnRead(readAt, frames[0]);
    const TimePoint headReply =
        readAt + LinePacer::WireTime(kBaud, 133) + LinePacer::WireTime(kBaud, 2);
    EXPECT_EQ(session.NextWake(), headReply);
    EXPECT_EQ(session.TakeWrites(headReply - 1ns), std::vector<Bytes>{});
    EXPECT_EQ(session.TakeWrites(headReply), (std::vector<Bytes>{{0x06, 0x43}}));

    const TimePoint blockAt{30ms};
    session.OnRead(blockAt, frames[1]);
    const TimePoint blockReply =
        blockAt + LinePacer::WireTime(kBaud, 1029) + LinePacer::WireTime(kBaud, 1);
    EXPECT_EQ(session.NextWake(), blockReply);
    EXPECT_EQ(session.TakeWrites(blockReply), (std::vector<Bytes>{{0x06}}));
}

}  // namespace
}  // namespace ymodem::test
