#include <gtest/gtest.h>

#include "CommandLine.h"
#include "TestFrames.h"
#include "TransferReport.h"

namespace ymodem::test {
namespace {

TEST(DevsimReport, SummaryLineCarriesTheWindowsFileInfoTimeAndRate) {
    const std::string digits = "123456789";  // CRC-16/XMODEM check value 0x31C3
    ReceivedImage image{"fw\n.bin", Bytes(digits.begin(), digits.end()), TimePoint{1s},
                        TimePoint{2234ms}};
    EXPECT_EQ(SummaryLine(image),
              "received: fw?.bin size=9 文件大小: 9  包数: 1  crc: 0x31C3 time=1.234s rate=7B/s");
}

TEST(DevsimReport, VerifyLineNamesTheFirstDifference) {
    EXPECT_EQ(VerifyLine(Bytes{1, 2, 3}, Bytes{1, 2, 3}), "verify: OK");
    EXPECT_EQ(VerifyLine(Bytes{1, 9, 3}, Bytes{1, 2, 3}),
              "verify: MISMATCH size=3 expected=3 first difference at byte 1");
    EXPECT_EQ(VerifyLine(Bytes{1, 2}, Bytes{1, 2, 3}),
              "verify: MISMATCH size=2 expected=3 first difference at byte 2");
}

TEST(DevsimReport, FileNamesFromTheLineStayInsideTheOutputFolder) {
    EXPECT_EQ(SafeFileName("fw.bin"), "fw.bin");
    EXPECT_EQ(SafeFileName("../../etc/passwd"), "passwd");
    EXPECT_EQ(SafeFileName("dir/"), "received.bin");
    EXPECT_EQ(SafeFileName(".."), "received.bin");
}

CommandLine Parse(std::vector<std::string_view> args) {
    return ParseCommandLine(args);
}

TEST(DevsimCommandLine, OptionsReachTheirFieldsInEitherSpelling) {
    const CommandLine line = Parse({"--count",
                                    "3",
                                    "--gap=0",
                                    "--nak-at",
                                    "0",
                                    "--silent-after=4",
                                    "--garbage",
                                    "--no-link",
                                    "--line-rate",
                                    "9600",
                                    "--split-reply",
                                    "7",
                                    "--timeout",
                                    "20",
                                    "--output",
                                    "out",
                                    "--expect=fw.bin",
                                    "--name",
                                    "bench1",
                                    "--port",
                                    "/dev/x",
                                    "--loader=iap",
                                    "--timing=t.log"});
    ASSERT_EQ(line.What, CommandLine::Action::Run) << line.Error;
    const DevsimOptions& o = line.Options;
    EXPECT_EQ(o.Receiver.Count, 3);
    EXPECT_EQ(o.Receiver.Gap, 0ms);
    EXPECT_EQ(o.Receiver.NakAt, 0);
    EXPECT_EQ(o.Receiver.SilentAfter, 4);
    EXPECT_TRUE(o.Receiver.Garbage);
    EXPECT_FALSE(o.Link);
    EXPECT_EQ(o.LineRate, 9600u);
    EXPECT_EQ(o.Receiver.SplitReply, 7ms);
    EXPECT_EQ(o.Timeout, 20s);
    EXPECT_EQ(o.Expect, "fw.bin");
    EXPECT_EQ(o.LinkName, "bench1");
    EXPECT_EQ(o.Receiver.Loader, LoaderKind::Iap);
    EXPECT_EQ(o.Output, "out");
    EXPECT_EQ(o.Port, "/dev/x");
    EXPECT_EQ(o.Timing, "t.log");
}

TEST(DevsimCommandLine, BadArgumentsFail) {
    const std::vector<std::vector<std::string_view>> cases{
        {"--count", "0"},    {"--count", "2x"},        {"--gap", "-1"},
        {"--line-rate", ""}, {"--name", "a/b"},        {"--name", ".."},
        {"--output"},        {"--no-link=1"},          {"--bogus"},
        {"-c", "1"},         {"--nak-at", "99999999"}, {"--loader", "stm32"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Parse(args).What, CommandLine::Action::Fail) << args[0];
    }
    EXPECT_EQ(Parse({"--count", "2", "--help"}).What, CommandLine::Action::Help);
}

}  // namespace
}  // namespace ymodem::test
