#include <gtest/gtest.h>

#include "BlockPlan.h"
#include "EngineHarness.h"
#include "FileInfoLine.h"
#include "Frames.h"
#include "NativeSeparators.h"
#include "RangeError.h"

namespace ymodem::test {
namespace {

Bytes Image(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    return bytes;
}

struct PlanRow {
    std::int32_t Size;
    std::int16_t PackCount;
    std::int32_t Pack1KEnd;
};
const PlanRow kPlanRows[] = {
    {0, 0, 0},       {100, 1, 0},      {1000, 8, 0},       {1024, 1, 1024},    {1025, 2, 1024},
    {1152, 2, 1024}, {5000, 12, 4096}, {31744, 31, 31744}, {32767, 39, 31744},
};

TEST(TransferBurnFile, LoadWorksOutThePlanAndTheFileLine) {
    for (const auto& row : kPlanRows) {
        SCOPED_TRACE(row.Size);
        EngineHarness h;
        const Bytes image = Image(static_cast<std::size_t>(row.Size));
        h.Load("/fw/old.bin", Image(3000));
        h.Reply({kCrcRequest});
        h.Reply({kAck});  // a transfer under way has sent 1024 bytes
        h.View.ProgressWrites.clear();
        h.View.StatusTexts.clear();
        h.Load("/fw/app.bin", image);
        EXPECT_EQ(h.State().FileData, image);
        EXPECT_EQ(h.State().FileSize, row.Size);
        EXPECT_EQ(h.State().PackCount, row.PackCount);
        EXPECT_EQ(h.State().Pack1KEnd, row.Pack1KEnd);
        EXPECT_EQ(h.State().SentLen, 0);
        const std::uint16_t crc = ReferenceCrc16(image);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X%X", crc >> 8, crc & 0xFF);
        EXPECT_EQ(h.View.FileInfo, "文件大小: " + std::to_string(row.Size) + "  包数: " +
                                       std::to_string(row.PackCount) + "  crc: 0x" + hex);
        EXPECT_EQ(h.View.ProgressWrites,
                  (std::vector<std::string>{"Value=0", "Max=" + std::to_string(row.PackCount)}));
        EXPECT_TRUE(h.View.StatusTexts.empty());
    }
}

TEST(TransferBurnFile, FileLineWritesEachCrcByteWithoutLeadingZero) {
    struct Case {
        std::array<std::uint8_t, 2> Crc;
        std::string Hex;
    };
    const Case cases[] = {{{0x0A, 0x05}, "A5"},
                          {{0x31, 0xC3}, "31C3"},
                          {{0, 0}, "00"},
                          {{0x00, 0x12}, "012"},
                          {{0xFF, 0x0F}, "FFF"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FileInfoLine(9, 1, c.Crc), "文件大小: 9  包数: 1  crc: 0x" + c.Hex);
    }
    EngineHarness h;
    h.Load("digits.bin", Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'});
    EXPECT_EQ(h.View.FileInfo, "文件大小: 9  包数: 1  crc: 0x31C3");
}

TEST(TransferBurnFile, RefusedFilesLeaveEverythingAsItWas) {
    struct Case {
        std::string Name;
        std::optional<Bytes> Content;  // nothing: the file is missing
    };
    const Case cases[] = {{"missing", std::nullopt}, {"too big", Image(32768)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h;
        const Bytes first = Image(5000);
        h.Load("good.bin", first);
        h.Reply({kCrcRequest});
        h.Reply({kAck});
        h.Reply({kAck});
        h.View.ProgressWrites.clear();
        const std::string line = h.View.FileInfo;
        if (c.Content) h.Files.Files["other.bin"] = *c.Content;
        h.View.StatusTexts.clear();
        EXPECT_FALSE(h.LoadPath("other.bin"));
        EXPECT_EQ(h.View.Status(), "请选择一个烧写文件");
        EXPECT_EQ(h.State().FileData, first);
        EXPECT_EQ(h.State().FileSize, 5000);
        EXPECT_EQ(h.State().PackCount, 12);
        EXPECT_EQ(h.State().Pack1KEnd, 4096);
        EXPECT_EQ(h.State().SentLen, 2048);
        EXPECT_EQ(h.View.FileInfo, line);
        EXPECT_TRUE(h.View.ProgressWrites.empty());
    }
}

TEST(TransferBurnFile, PlanRefusesSizesBeyondTheLimit) {
    EXPECT_EQ(PlanBlocks(32767).PackCount, 39);
    EXPECT_THROW(PlanBlocks(32768), RangeError);
    EXPECT_THROW(PlanBlocks(-1), RangeError);
}

TEST(TransferBurnFile, LoadDuringATransferEndsItAndTheNextCSendsTheNewImage) {
    EngineHarness h;
    const Bytes first = Image(3000);
    const Bytes second = Image(1100);
    h.Link.Open = true;
    h.Load("a.bin", first);
    h.Reply({kCrcRequest});
    h.Reply({kAck, kCrcRequest});
    ASSERT_EQ(h.Step(), 1);
    ASSERT_EQ(h.State().SentLen, 1024);
    h.Load("b.bin", second);
    EXPECT_EQ(h.Step(), 0);
    EXPECT_EQ(h.State().SentLen, 0);
    EXPECT_FALSE(h.Engine.TimerEnabled(TimerId::UpdateOv));
    EXPECT_FALSE(h.Engine.TimerEnabled(TimerId::FastReset));
    EXPECT_FALSE(h.Engine.TimerEnabled(TimerId::SendEnd));

    h.Reply({kAck});  // the device's answer to the old block changes nothing now
    EXPECT_EQ(h.Link.Frames.size(), 2u);
    h.Link.Frames.clear();
    const DeviceRun run = RunWholeTransfer(h);
    ASSERT_TRUE(run.Finished);
    ASSERT_EQ(run.Frames.size(), 4u);
    EXPECT_EQ(run.Frames[0], ExpectedHeadFrame(Bytes{'b', '.', 'b', 'i', 'n'}, 1100));
    EXPECT_EQ(run.Frames[1], ExpectedDataFrame(second, 0, 1024, 1));
    EXPECT_EQ(run.Frames[2], ExpectedDataFrame(second, 1024, 128, 2));
}

// Only the file last asked for is flashed; a C that finds no such image is not answered.
TEST(TransferBurnFile, ACIsAnsweredOnlyWithTheImageOfTheFileLastAskedFor) {
    struct Case {
        const char* Name;
        std::vector<std::string> Loads;  // in order; "-" marks a file that is not there
        bool Answered;
        char Separator = SystemPathSeparator();
    };
    const Case cases[] = {
        {"no load ever", {}, false},
        {"only a refused load", {"-/home/"}, false},
        {"a good load", {"/fw/a.bin"}, true},
        {"a refused choice of another file", {"/fw/a.bin", "-/fw/big.bin"}, false},
        {"a refused reload of the same file", {"/fw/a.bin", "-/fw/a.bin"}, false},
        {"the good file chosen again", {"/fw/a.bin", "-/fw/big.bin", "/fw/a.bin"}, true},
        {"a Windows path", {"C:\\fw\\a.bin"}, true, '\\'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EngineHarness h{c.Separator};
        for (const std::string& load : c.Loads) {
            if (load.starts_with('-')) {
                h.Files.Files.erase(ToNativeSeparators(load.substr(1)));
                h.LoadPath(load.substr(1));
            } else {
                h.Load(load, Image(100));
            }
        }
        h.View.StatusTexts.clear();
        h.Reply({kCrcRequest});
        ASSERT_EQ(h.Link.Frames.size(), c.Answered ? 1u : 0u);
        if (c.Answered) {
            EXPECT_EQ(h.Link.Frames[0], ExpectedHeadFrame(Bytes{'a', '.', 'b', 'i', 'n'}, 100));
            EXPECT_EQ(h.Step(), 1);
        } else {
            EXPECT_EQ(h.View.Status(), "请选择一个烧写文件");
            EXPECT_EQ(h.Step(), 0);
        }
    }
}

TEST(TransferBurnFile, RefusedLoadDuringATransferLetsItFinishWithTheOldImage) {
    EngineHarness h;
    const Bytes image = Image(1100);
    h.Load("a.bin", image);
    h.Reply({kCrcRequest});
    h.Reply({kAck, kCrcRequest});
    h.LoadPath("gone.bin");
    EXPECT_EQ(h.Step(), 1);
    h.Reply({kAck});
    ASSERT_EQ(h.Link.Frames.size(), 3u);
    EXPECT_EQ(h.Link.Frames[2], ExpectedDataFrame(image, 1024, 128, 2));
}

}  // namespace
}  // namespace ymodem::test
