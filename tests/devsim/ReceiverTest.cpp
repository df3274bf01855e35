#include <gtest/gtest.h>

#include "ReceiverHarness.h"

namespace ymodem::test {
namespace {

// ---- whole transfers -------------------------------------------------------------------

struct TransferCase {
    std::size_t Size;
    BlockSizes Sizes;
};

void PrintTo(const TransferCase& c, std::ostream* out) {
    *out << c.Size << (c.Sizes == BlockSizes::Sender ? " bytes as our sender" : " bytes in 128s");
}

class DevsimTransfer : public ::testing::TestWithParam<TransferCase> {};

TEST_P(DevsimTransfer, HowTheStreamIsCutIntoReadsChangesNothing) {
    const Bytes image = Image(GetParam().Size);
    const auto frames = TransferFrames("fw.bin", image, GetParam().Sizes);
    std::vector<Bytes> expectedReplies{kAckC};
    expectedReplies.insert(expectedReplies.end(), frames.size() - 2, kAckOnly);
    expectedReplies.push_back(kAckC);

    const Bytes stream = Concat(frames);
    // Byte by byte, frames cut across reads and several in one read, everything at once.
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{1000}, stream.size()}) {
        SCOPED_TRACE(chunk);
        ReceiverHarness h;
        std::vector<Bytes> replies;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            const auto end =
                stream.begin() + static_cast<long>(std::min(stream.size(), at + chunk));
            for (Bytes& reply : h.Feed(Bytes(stream.begin() + static_cast<long>(at), end))) {
                replies.push_back(std::move(reply));
            }
        }
        EXPECT_EQ(replies, expectedReplies);
        const auto images = h.receiver.TakeImages();
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].Name, "fw.bin");
        EXPECT_EQ(images[0].Data, image);
    }
}

INSTANTIATE_TEST_SUITE_P(, DevsimTransfer,
                         ::testing::Values(TransferCase{0, BlockSizes::Sender},
                                           TransferCase{1100, BlockSizes::Sender},
                                           TransferCase{32767, BlockSizes::Sender},
                                           // 256 blocks: the last number wraps to 0
                                           TransferCase{32767, BlockSizes::Short}));

TEST(DevsimTransferEnd, AsksOnceASecondUntilBlockZeroThenNotAgainUntilTheGapHasPassed) {
    ReceiverOptions options;
    options.Count = 2;
    options.Gap = 500ms;
    ReceiverHarness h(options);
    EXPECT_EQ(h.Advance(999ms), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(1ms), std::vector<Bytes>{kC});
    h.Advance(300ms);
    h.FeedFrames(TransferFrames("a", Image(10), BlockSizes::Sender));
    EXPECT_EQ(h.Advance(499ms), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(1ms), std::vector<Bytes>{kC});
    h.FeedFrames(TransferFrames("b", Image(20), BlockSizes::Sender));
    EXPECT_FALSE(h.receiver.Done());
    h.Advance(500ms);
    EXPECT_TRUE(h.receiver.Done());
    EXPECT_EQ(h.receiver.TakeImages().size(), 2u);
}

TEST(DevsimTransferEnd, BatchSenderEndsWithAnEmptyBlockZeroThatIsAckedAndNotCounted) {
    ReceiverHarness h;
    h.FeedFrames(TransferFrames("a", Image(300), BlockSizes::Short));
    EXPECT_EQ(h.Feed({0x04}), std::vector<Bytes>{kAckC});  // EOT again: our ACK was lost
    EXPECT_EQ(h.Feed(EmptyHeadFrame()), std::vector<Bytes>{kAckOnly});
    h.Advance(500ms);
    EXPECT_TRUE(h.receiver.Done());
    EXPECT_EQ(h.receiver.TakeImages().size(), 1u);
}

// ---- sessions --------------------------------------------------------------------------

ReceiverOptions IapLoader() {
    ReceiverOptions options;
    options.Loader = LoaderKind::Iap;
    return options;
}

const Bytes kCanCan{0x18, 0x18};

TEST(DevsimIap, ErasesForEveryHeadAsksAgainASecondAfterTheEotAndEndsOnAnEmptyBlockZero) {
    ReceiverHarness h(IapLoader());
    h.Advance(1s);
    const auto frames = TransferFrames("a", Image(1100), BlockSizes::Sender);
    EXPECT_EQ(h.FeedFrames(frames).back(), kAckOnly);  // no C with the ACK of the EOT
    EXPECT_EQ(h.Advance(999ms), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(1ms), std::vector<Bytes>{kC});
    h.FeedFrames(frames);  // the window's answer: the same image again
    h.Advance(1s);
    EXPECT_EQ(h.receiver.Erases(), 2);
    EXPECT_EQ(h.Feed(EmptyHeadFrame()), std::vector<Bytes>{kAckOnly});
    EXPECT_EQ(h.receiver.End(), SessionEnd::EmptyHead);
    EXPECT_EQ(h.receiver.TakeImages().size(), 2u);
    EXPECT_EQ(h.Advance(10s), std::vector<Bytes>{});
}

TEST(DevsimIap, WaitsForeverForTheFirstHeadButAbortsAStartedSessionAfterFiveSilentSeconds) {
    ReceiverHarness h(IapLoader());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(h.Advance(1s), std::vector<Bytes>{kC});
    h.FeedFrames(TransferFrames("a", Image(100), BlockSizes::Sender));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(h.Advance(1s), std::vector<Bytes>{kC});
    EXPECT_FALSE(h.receiver.Done());
    EXPECT_EQ(h.Advance(1s), std::vector<Bytes>{kCanCan});
    EXPECT_EQ(h.receiver.End(), SessionEnd::Silence);
}

TEST(DevsimCancel, TwoCansBetweenFramesAreTheSendersAbortInEitherLoader) {
    // A block full of CAN bytes is data, not an abort.
    const Bytes block1 = BlockFrame(1, Bytes(1024, 0x18));
    for (const auto& [loader, answer] :
         {std::pair{LoaderKind::Plain, std::vector<Bytes>{}},
          std::pair{LoaderKind::Iap, std::vector<Bytes>{kAckOnly}}}) {
        ReceiverOptions options;
        options.Loader = loader;
        ReceiverHarness h(options);
        h.FeedFrames({HeadFrame("a", "5000"), block1});
        EXPECT_EQ(h.Feed({0x18}), std::vector<Bytes>{});
        EXPECT_FALSE(h.receiver.Done());
        EXPECT_EQ(h.Feed({0x18, 0x18, 0x18}), answer);
        EXPECT_EQ(h.receiver.End(), SessionEnd::SenderCancel);
        EXPECT_EQ(h.Advance(5s), std::vector<Bytes>{});
    }
}

// ---- rejected frames -------------------------------------------------------------------

struct BadFrameCase {
    const char* Name;
    void (*Spoil)(Bytes& frame);
};

void PrintTo(const BadFrameCase& c, std::ostream* out) {
    *out << c.Name;
}

class DevsimBadFrame : public ::testing::TestWithParam<BadFrameCase> {};

TEST_P(DevsimBadFrame, IsNakedAndTheGoodResendIsTaken) {
    const Bytes image = Image(3000);
    const auto frames = TransferFrames("fw.bin", image, BlockSizes::Sender);
    ReceiverHarness h;
    h.FeedFrames({frames[0], frames[1]});
    Bytes bad = frames[2];
    GetParam().Spoil(bad);
    EXPECT_EQ(h.Feed(bad), std::vector<Bytes>{kNakOnly});
    h.FeedFrames({frames.begin() + 2, frames.end()});
    const auto images = h.receiver.TakeImages();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Data, image);
}

INSTANTIATE_TEST_SUITE_P(
    , DevsimBadFrame,
    ::testing::Values(BadFrameCase{"CrcHigh", [](Bytes& f) { f[1027] ^= 0x01; }},
                      BadFrameCase{"CrcLow", [](Bytes& f) { f[1028] ^= 0x01; }},
                      BadFrameCase{"PayloadByte", [](Bytes& f) { f[500] ^= 0x80; }},
                      BadFrameCase{"Complement", [](Bytes& f) { f[2] ^= 0x01; }},
                      // a consistent number that is neither the next nor the last one
                      BadFrameCase{"Number",
                                   [](Bytes& f) {
                                       f[1] = 7;
                                       f[2] = 255 - 7;
                                   }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DevsimBadHead, UnusableHeadersAreNaked) {
    for (const Bytes& head : {HeadFrame("a", ""), HeadFrame("a", "268435457"), HeadFrame("a", "x1")}) {
        ReceiverHarness h;
        EXPECT_EQ(h.Feed(head), std::vector<Bytes>{kNakOnly});
    }
    ReceiverHarness h;  // lrzsz follows the size with more fields
    EXPECT_EQ(h.Feed(HeadFrame("a", "12 14527225047 100644 0 1 12")), std::vector<Bytes>{kAckC});
}

TEST(DevsimDuplicate, ARepeatedBlockIsAckedAndDropped) {
    const Bytes image = Image(2100);
    const auto frames = TransferFrames("fw.bin", image, BlockSizes::Sender);
    ReceiverHarness h;
    EXPECT_EQ(h.Feed(frames[0]), std::vector<Bytes>{kAckC});
    EXPECT_EQ(h.Feed(frames[0]), std::vector<Bytes>{kAckC});
    h.Feed(frames[1]);
    EXPECT_EQ(h.Feed(frames[1]), std::vector<Bytes>{kAckOnly});
    h.FeedFrames({frames.begin() + 2, frames.end()});
    EXPECT_EQ(h.receiver.TakeImages().at(0).Data, image);
}

TEST(DevsimFraming, NoiseIsSkippedAStalledFrameNakedAndATricklingOneWaitedFor) {
    const auto frames = TransferFrames("fw.bin", Image(1100), BlockSizes::Sender);
    const Bytes& block1 = frames[1];
    ReceiverHarness h;
    EXPECT_EQ(h.Feed(Bytes{0x00, 0xFF, 0x43, 0x06}), std::vector<Bytes>{});
    EXPECT_EQ(h.Feed(frames[0]), std::vector<Bytes>{kAckC});
    h.Feed(Bytes(block1.begin(), block1.begin() + 60));
    EXPECT_EQ(h.Advance(999ms), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(1ms), std::vector<Bytes>{kNakOnly});
    // More than a second in all, but never a second between two bytes.
    h.Advance(600ms);
    h.Feed(Bytes(block1.begin(), block1.begin() + 500));
    h.Advance(600ms);
    EXPECT_EQ(h.Feed(Bytes(block1.begin() + 500, block1.end())), std::vector<Bytes>{kAckOnly});
    EXPECT_EQ(h.Feed(Bytes{0x00, 0xFF}), std::vector<Bytes>{});
    EXPECT_EQ(h.FeedFrames({frames[2], frames[3]}), (std::vector<Bytes>{kAckOnly, kAckC}));
}

// ---- faults on demand ------------------------------------------------------------------

TEST(DevsimNakAt, AResendIsTakenOtherwiseItAsksAgainEverySecondAndOnlyOnce) {
    ReceiverOptions options;
    options.NakAt = 2;
    const Bytes image = Image(3000);
    const auto frames = TransferFrames("fw.bin", image, BlockSizes::Sender);

    ReceiverHarness resent(options);  // a standard sender sends block 2 again
    resent.FeedFrames({frames[0], frames[1]});
    EXPECT_EQ(resent.Feed(frames[2]), std::vector<Bytes>{kNakOnly});
    EXPECT_EQ(resent.Feed(frames[2]), std::vector<Bytes>{kAckOnly});

    ReceiverHarness h(options);  // our sender gives up, then its EOT comes anyway
    h.FeedFrames({frames[0], frames[1]});
    EXPECT_EQ(h.Feed(frames[2]), std::vector<Bytes>{kNakOnly});
    EXPECT_EQ(h.Feed({0x04}), std::vector<Bytes>{kNakOnly});
    EXPECT_EQ(h.Advance(999ms), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(1ms), std::vector<Bytes>{kC});
    EXPECT_EQ(h.Advance(1s), std::vector<Bytes>{kC});
    EXPECT_EQ(h.FeedFrames(frames).at(2), kAckOnly);  // the fault was used up
    const auto images = h.receiver.TakeImages();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Data, image);
}

TEST(DevsimSilentAfter, SaysNothingForThreeSecondsThenAsksAgain) {
    ReceiverOptions options;
    options.SilentAfter = 1;
    const auto frames = TransferFrames("fw.bin", Image(3000), BlockSizes::Sender);
    ReceiverHarness h(options);
    EXPECT_EQ(h.Feed(frames[0]), std::vector<Bytes>{kAckC});
    EXPECT_EQ(h.Feed(frames[1]), std::vector<Bytes>{});
    EXPECT_EQ(h.Feed(frames[2]), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(2999ms), std::vector<Bytes>{});
    EXPECT_EQ(h.Advance(1ms), std::vector<Bytes>{kC});
    h.FeedFrames(frames);
    EXPECT_EQ(h.receiver.FinishedCount(), 1);
}

TEST(DevsimSplitReply, TheCFollowsTheAckAsASecondWriteAndNothingOvertakesIt) {
    ReceiverOptions options;
    options.SplitReply = 5ms;
    const auto frames = TransferFrames("fw.bin", Image(3000), BlockSizes::Sender);
    ReceiverHarness h(options);
    EXPECT_EQ(h.Feed(frames[0]), std::vector<Bytes>{kAckOnly});
    EXPECT_EQ(h.receiver.NextWake(), h.now + 5ms);
    h.Advance(2ms);
    EXPECT_EQ(h.Feed(frames[1]), std::vector<Bytes>{});  // its ACK waits behind the C
    EXPECT_EQ(h.Advance(3ms), (std::vector<Bytes>{kC, kAckOnly}));
    EXPECT_EQ(h.writes.back().At, h.now);
}

TEST(DevsimGarbage, StrayBytesNeverLookLikeAReplyAndKeepClearOfEveryC) {
    ReceiverOptions options;
    options.Garbage = true;
    options.GarbageSeed = 7;
    ReceiverHarness h(options);
    for (int i = 0; i < 100; ++i) h.Advance(100ms);
    std::vector<TimePoint> requests;
    std::vector<TimedWrite> stray;
    for (const TimedWrite& write : h.writes) {
        if (write.Data == kC) {
            requests.push_back(write.At);
        } else {
            stray.push_back(write);
        }
    }
    EXPECT_EQ(requests.size(), 11u);
    EXPECT_EQ(stray.size(), 20u);
    for (const TimedWrite& write : stray) {
        for (const std::uint8_t byte : write.Data) {
            EXPECT_TRUE(byte != 0x43 && byte != 0x06 && byte != 0x15 && byte != 0x18) << +byte;
        }
        for (const TimePoint request : requests) {
            EXPECT_GE(std::chrono::abs(write.At - request), 300ms);
        }
    }
}

TEST(DevsimGarbage, NeitherStrayBytesNorACGoOutWhileAFrameIsComingIn) {
    ReceiverOptions options;
    options.Garbage = true;
    ReceiverHarness h(options);
    h.Advance(200ms);
    const Bytes head = HeadFrame("a", "1");
    h.Feed(Bytes(head.begin(), head.begin() + 50));
    EXPECT_EQ(h.Advance(1000ms), std::vector<Bytes>{kNakOnly});  // the stall, at 1.2 s
}

}  // namespace
}  // namespace ymodem::test
