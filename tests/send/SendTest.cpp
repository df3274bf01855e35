#include <gtest/gtest.h>

#include "CommError.h"
#include "FakeSerialControl.h"
#include "FakeWakeTimer.h"
#include "Frames.h"
#include "HeadlessSender.h"
#include "MemoryBurnFiles.h"
#include "ScriptedBootLoader.h"
#include "SendOptions.h"

namespace ymodem::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Each case gives what a command line is taken as: all the fields, or the start of the
// refusal.
TEST(SendOptions, CommandLineValues) {
    const auto taken = [](const ParsedSendOptions& parsed) -> std::string {
        if (parsed.Answer) return "answer: " + *parsed.Answer;
        if (!parsed.Options) return "refused: " + parsed.Error;
        const SendOptions& o = *parsed.Options;
        return o.Port + " " + o.File + " " + std::to_string(o.Baud) +
               " count=" + std::to_string(o.Count) +
               " timeout=" + std::to_string(o.TimeoutSeconds) +
               " quiet=" + std::to_string(o.Quiet) + " end=" + std::to_string(o.EndSession);
    };
    const struct {
        std::vector<std::string> Line;
        std::string Taken;
    } cases[] = {
        {{"tty0", "a"}, "tty0 a 115200 count=1 timeout=0 quiet=0 end=0"},
        {{"--baud", "9600", "--count=0", "--timeout", "30", "--quiet", "COM3", "b c"},
         "COM3 b c 9600 count=0 timeout=30 quiet=1 end=0"},
        {{"p", "--baud", "921600", "f", "--count", "12", "--timeout", "7", "--end-session"},
         "p f 921600 count=12 timeout=7 quiet=0 end=1"},
        {{"--baud", "1000000", "p", "f"}, "p f 1000000 count=1 timeout=0 quiet=0 end=0"},
        {{"--", "-p", "--f"}, "-p --f 115200 count=1 timeout=0 quiet=0 end=0"},
        {{"--baud", "fast", "ttyUSB0", "a.bin"}, "refused: --baud takes a rate"},
        {{"--baud", "0", "ttyUSB0", "a.bin"}, "refused: --baud takes a rate"},
        {{"--count=-1", "ttyUSB0", "a.bin"}, "refused: --count takes"},
        {{"--count", "x", "ttyUSB0", "a.bin"}, "refused: --count takes"},
        {{"--count", "0", "--end-session", "ttyUSB0", "a.bin"}, "refused: --end-session needs"},
        {{"--timeout=-5", "ttyUSB0", "a.bin"}, "refused: --timeout takes"},
        {{"ttyUSB0"}, "refused: expected a PORT and a FILE"},
        {{"a", "b", "c"}, "refused: expected a PORT and a FILE"},
        {{"--bogus", "a", "b"}, "refused: The following argument was not expected: --bogus"},
        {{"a", "b", "--baud"}, "refused: --baud"},
        {{"--help-all", "a", "b"}, "refused: The following argument"},
        {{"--help"}, "answer: Usage: ymodem-send [OPTIONS] PORT FILE"},
        {{"--version"}, "answer: " YMODEM_VERSION "\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"ymodem-send"};
        arguments.insert(arguments.end(), c.Line.begin(), c.Line.end());
        const std::string result = taken(ParseSendCommandLine(arguments));
        EXPECT_TRUE(result.starts_with(c.Taken)) << result;
    }
}

// Captures what the sender prints on one stream.
class Capture {
public:
    Capture() : file_(std::tmpfile()) {}
    ~Capture() { std::fclose(file_); }
    std::FILE* File() const { return file_; }
    std::string Text() const {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
        return text;
    }

private:
    std::FILE* file_;
};

struct SenderRig {
    FakeSerialControl Comm;
    MemoryBurnFiles Files;
    Capture Out, Err;
    FakeWakeTimer Wake, Timeout;
    std::unique_ptr<HeadlessSender> Sender;
    TimePoint Now{std::chrono::hours(1)};
    std::vector<int> Finished;  // the exit codes the run ended with

    explicit SenderRig(int count = 1, bool endSession = false) {
        Comm.SetCandidates({"COM3"});
        Files.Files["fw/app.bin"] = Bytes(300, 0x42);
        SendOptions options;
        options.Port = "COM3";
        options.File = "fw/app.bin";
        options.Count = count;
        options.EndSession = endSession;
        Sender = std::make_unique<HeadlessSender>(Comm, Files, options, Out.File(), Err.File(),
                                                  false, Wake, Timeout, [this] { return Now; });
        Sender->OnFinished([this](int exitCode) { Finished.push_back(exitCode); });
    }

    // Time passes; the wake-up timer fires once its deadline has come.
    void Wait(std::chrono::milliseconds step) {
        Now += step;
        const auto deadline = Sender->Driver().NextWake();
        if (deadline && *deadline <= Now) Wake.Fire();
    }
    void Reply(const Bytes& bytes) {
        Comm.InjectInput(bytes);
        Wait(std::chrono::milliseconds(5));
    }

    // Answers like a boot loader through the port, on simulated time, from its C to the ACK
    // of the EOT and the fast reset after it.
    void Serve() {
        const ScriptedBootLoader device;
        std::size_t answered = Comm.Frames().size();
        Reply({kCrcRequest});
        for (int step = 0; step < 100; ++step) {
            if (answered == Comm.Frames().size()) {
                Wait(std::chrono::milliseconds(5));  // the EOT waits for its timer
                continue;
            }
            const Bytes frame = Comm.Frames()[answered++];
            for (const Bytes& burst : device.RepliesTo(frame)) Reply(burst);
            if (frame == Bytes{kEot}) break;
        }
        Wait(std::chrono::milliseconds(600));
    }
};

TEST(SendHeadless, PrintsTheFileLineAndEveryStatusTextAndEndsAfterCountTransfers) {
    SenderRig rig(2);
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    rig.Serve();
    EXPECT_TRUE(rig.Finished.empty());
    EXPECT_TRUE(rig.Comm.PortOpen());
    rig.Serve();
    EXPECT_EQ(rig.Finished, std::vector<int>{kExitDone});
    EXPECT_FALSE(rig.Comm.PortOpen());
    const std::string transfer =
        "正在尝试通讯握手...\n发送第1包...\n发送第2包...\n发送第3包...\n"
        "发送文件传输结束命令...\n文件发送完毕!\n";
    const std::string out = rig.Out.Text();
    const std::string fileLine = "文件大小: 300  包数: 3  crc: 0x";
    ASSERT_EQ(out.substr(0, fileLine.size()), fileLine);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "COM3已打开115200,N,8,1\n" + transfer + transfer);
    EXPECT_EQ(rig.Comm.Frames().size(), 2u * 5u);
}

TEST(SendHeadless, EndSessionClosesTheBatchAfterTheLastTransferOnly) {
    SenderRig rig(2, true);
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    rig.Serve();
    rig.Serve();  // the C that starts it is a new transfer, not the end of the batch
    EXPECT_TRUE(rig.Finished.empty());
    rig.Reply({kCrcRequest});
    rig.Reply({kAck});
    EXPECT_EQ(rig.Finished, std::vector<int>{kExitDone});
    const auto& frames = rig.Comm.Frames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2], Bytes{kEot});
    EXPECT_EQ(frames.back()[1], 0x00);
    EXPECT_EQ(frames.back()[3], 0x00);  // no name: the end of the batch
    EXPECT_TRUE(rig.Out.Text().ends_with("文件发送完毕!\n传输会话已结束!\n"));
}

TEST(SendHeadless, RefusedFileAndPortGiveTheirExitCodes) {
    {
        SenderRig rig;
        rig.Files.Files.clear();
        EXPECT_EQ(rig.Sender->Start(), kExitLoadFailed);
        EXPECT_EQ(rig.Err.Text(), "请选择一个烧写文件\n");
        EXPECT_EQ(rig.Out.Text(), "");
    }
    struct Case {
        int Number;
        std::string Message;
    };
    const Case cases[] = {{CommError::kPortAlreadyOpen, "COM3被占用!\n"},
                          {CommError::kDeviceUnavailable, "COM3设备无效\n"},
                          {CommError::kPermissionDenied, "dialout"},
                          {CommError::kHardwareUnavailable, "cannot open COM3"}};
    for (const auto& c : cases) {
        SenderRig rig;
        rig.Comm.FailOpen("COM3", c.Number);
        EXPECT_EQ(rig.Sender->Start(), kExitPortFailed);
        EXPECT_NE(rig.Err.Text().find(c.Message), std::string::npos) << rig.Err.Text();
    }
}

// A lost port ends the run with 5, unless the device had already ended the batch: a board
// that leaves its boot loader once it has the empty block 0 drops off the bus at once.
TEST(SendHeadless, LostPortEndsTheRunWithItsOwnCodeUnlessTheBatchHadEnded) {
    const struct {
        const char* Name;
        bool EndSession;
        int Exit;
    } cases[] = {{"idle", false, kExitPortLost},
                 {"right after the empty block 0", true, kExitDone}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SenderRig rig(1, c.EndSession);
        ASSERT_EQ(rig.Sender->Start(), std::nullopt);
        if (c.EndSession) {
            rig.Serve();
            rig.Reply({kCrcRequest});
            ASSERT_EQ(rig.Comm.Frames().back()[3], 0x00);  // the empty block 0 went out
        }
        rig.Comm.LosePort();
        EXPECT_EQ(rig.Finished, std::vector<int>{c.Exit});
        EXPECT_EQ(rig.Err.Text().find("设备无效") != std::string::npos, c.Exit == kExitPortLost);
    }
}

}  // namespace
}  // namespace ymodem::test
