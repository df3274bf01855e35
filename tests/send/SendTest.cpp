#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <nlohmann/json.hpp>

#include "AcknowledgedBytes.h"
#include "CommError.h"
#include "FakePortFactory.h"
#include "FakeSerialControl.h"
#include "FakeWakeTimer.h"
#include "Frames.h"
#include "HeadlessSender.h"
#include "MemoryBurnFiles.h"
#include "ScriptedBootLoader.h"
#include "SendOptions.h"
#include "TempFolder.h"

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
        std::string ports;
        for (const std::string& port : o.Ports) ports += (ports.empty() ? "" : ",") + port;
        return ports + " " + o.File + " " + std::to_string(o.Baud) +
               " count=" + std::to_string(o.Count) +
               " timeout=" + std::to_string(o.TimeoutSeconds) +
               " quiet=" + std::to_string(o.Quiet) + " end=" + std::to_string(o.EndSession) +
               " wait=" + std::to_string(o.WaitPort) +
               " erase=" + std::to_string(o.EraseTimeoutMs.value_or(-1)) + " log=" + o.LogFile +
               " expect=" + (o.Expect ? std::to_string(o.ExpectTimeoutSeconds) : "-");
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
        {{"a", "b", "c"}, "a,b c 115200"},
        {{"a", "b", "a", "f"}, "refused: the port a is named twice"},
        {{"--wait-port", "--erase-timeout", "600000", "--log", "x.csv", "a", "f"},
         "a f 115200 count=1 timeout=0 quiet=0 end=0 wait=1 erase=600000 log=x.csv"},
        {{"--erase-timeout", "0", "a", "f"}, "refused: --erase-timeout takes"},
        {{"--erase-timeout", "600001", "a", "f"}, "refused: --erase-timeout takes"},
        {{"--log", "", "a", "f"}, "refused: --log needs"},
        {{"--expect", "v[0-9]+$", "a", "f"},
         "a f 115200 count=1 timeout=0 quiet=0 end=0 wait=0 erase=-1 log= expect=10"},
        {{"--expect", "", "--expect-timeout", "600", "a", "f"},
         "a f 115200 count=1 timeout=0 quiet=0 end=0 wait=0 erase=-1 log= expect=600"},
        {{"--expect", "(", "a", "f"}, "refused: --expect takes a regular expression"},
        {{"--expect", "x", "--expect-timeout", "0", "a", "f"}, "refused: --expect-timeout takes"},
        {{"--expect-timeout", "5", "a", "f"}, "refused: --expect-timeout goes with --expect"},
        {{"--expect", "x", "--end-session", "a", "f"}, "refused: --expect cannot"},
        {{"--bogus", "a", "b"}, "refused: The following argument was not expected: --bogus"},
        {{"a", "b", "--baud"}, "refused: --baud"},
        {{"--help-all", "a", "b"}, "refused: The following argument"},
        {{"--help"}, "answer: Usage: ymodem-send [OPTIONS] PORT... FILE"},
        {{"--version"}, "answer: " YMODEM_VERSION "\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"ymodem-send"};
        arguments.insert(arguments.end(), c.Line.begin(), c.Line.end());
        const std::string result = taken(ParseSendCommandLine(arguments));
        EXPECT_TRUE(result.starts_with(c.Taken)) << result;
    }
    // One usage line, and the positionals' row as it names them.
    const std::string help = *ParseSendCommandLine({"ymodem-send", "--help"}).Answer;
    EXPECT_EQ(help.find("Usage:", 1), std::string::npos) << help;
    EXPECT_NE(help.find("\n  PORT... FILE "), std::string::npos) << help;
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
    FakePortFactory Factory;
    MemoryBurnFiles Files;
    Capture Out, Err;
    std::unique_ptr<HeadlessSender> Sender;
    TimePoint Now{std::chrono::hours(1)};
    std::vector<int> Finished;  // the exit codes the run ended with

    explicit SenderRig(int count = 1, bool endSession = false)
        : SenderRig(Options(count, endSession)) {}
    explicit SenderRig(const SendOptions& options) {
        Files.Files["fw/app.bin"] = Bytes(300, 0x42);
        Sender = std::make_unique<HeadlessSender>(
            Factory, Files, options, Out.File(), Err.File(), false, [this] { return Now; },
            [] { return std::chrono::system_clock::time_point(std::chrono::hours(24 * 365)); });
        Sender->OnFinished([this](int exitCode) { Finished.push_back(exitCode); });
    }
    static SendOptions Options(int count, bool endSession,
                               std::vector<std::string> ports = {"COM3"}) {
        SendOptions options;
        options.Ports = std::move(ports);
        options.File = "fw/app.bin";
        options.Count = count;
        options.EndSession = endSession;
        return options;
    }
    FakeSerialControl& Comm(std::size_t port = 0) { return *Factory.Controls.at(port); }

    // Time passes; each port's wake-up timer fires once its deadline has come, and a port
    // that is waited for is looked at again.
    void Wait(std::chrono::milliseconds step) {
        Now += step;
        for (std::size_t port = 0; port < Factory.Controls.size(); ++port) {
            const auto deadline = Sender->Port(port).Driver().NextWake();
            if (deadline && *deadline <= Now) Factory.Timers.at(1 + 3 * port)->Fire();
            Factory.Timers.at(2 + 3 * port)->Fire();
            FakeWakeTimer& verify = *Factory.Timers.at(3 + 3 * port);
            if (verify.Armed().value_or(step.count() + 1) <= step.count()) verify.Fire();
        }
    }
    void Reply(const Bytes& bytes, std::size_t port = 0) {
        Comm(port).InjectInput(bytes);
        Wait(std::chrono::milliseconds(5));
    }

    // Answers like a boot loader through the port, on simulated time, from its C to the ACK
    // of the EOT and the fast reset after it; with silentAfter, it falls silent after that
    // many frames, with nakAt it rejects that frame.
    void Serve(std::size_t port = 0, int silentAfter = -1, int nakAt = -1,
               std::chrono::milliseconds headDelay = {}) {
        const ScriptedBootLoader device;
        std::size_t answered = Comm(port).Frames().size();
        Reply({kCrcRequest}, port);
        for (int step = 0, frames = 0; step < 100 && Comm(port).PortOpen(); ++step) {
            if (answered == Comm(port).Frames().size()) {
                Wait(std::chrono::milliseconds(5));  // the EOT waits for its timer
                continue;
            }
            const Bytes frame = Comm(port).Frames()[answered++];
            if (frames++ == silentAfter) break;
            if (frames == 1) Wait(headDelay);
            if (frames - 1 == nakAt) {
                Reply({kNak}, port);
                break;
            }
            for (const Bytes& burst : device.RepliesTo(frame)) Reply(burst, port);
            if (frame == Bytes{kEot}) break;
        }
        Wait(std::chrono::milliseconds(2600));
    }
};

// The progress line's bytes: an ACKed block counts once the next is asked for; in a stream,
// where nothing is acknowledged before the end, a block counts once it has left the port.
// 3000 bytes: two 1024-byte blocks (1029 on the line), then eight of 128 (133).
TEST(SendProgress, ConfirmedBytesAreAcknowledgedOrInAStreamGoneFromThePort) {
    const struct {
        bool Streamed;
        std::size_t Queued;  // after every block and the EOT were written
        std::int64_t Confirmed;
    } cases[] = {{false, 0, 2944},   {true, 0, 3000}, {true, 1, 3000}, {true, 134, 2944},
                 {true, 1100, 1024}, {true, 2100, 0}, {true, 5000, 0}};
    for (const auto& c : cases) {
        TransferState state;
        state.FileSize = 3000;
        state.Pack1KEnd = 2048;
        AcknowledgedBytes bytes;
        bytes.Observe(event::HandshakeStarted{}, state);
        for (int block = 1; block <= 10; ++block) {
            state.SentLen = block <= 2 ? block * 1024 : 2048 + (block - 2) * 128;
            bytes.Observe(event::BlockSent{block, c.Streamed}, state);
        }
        bytes.Observe(event::EotSent{}, state);
        EXPECT_EQ(bytes.Count(c.Queued).Confirmed, c.Confirmed) << c.Streamed << " " << c.Queued;
        bytes.Observe(event::Finished{}, state);
        EXPECT_EQ(bytes.Count(c.Queued).Confirmed, 3000);
    }
}

TEST(SendHeadless, PrintsTheFileLineAndEveryStatusTextAndEndsAfterCountTransfers) {
    SenderRig rig(2);
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    rig.Serve();
    EXPECT_TRUE(rig.Finished.empty());
    EXPECT_TRUE(rig.Comm().PortOpen());
    rig.Serve();
    EXPECT_EQ(rig.Finished, std::vector<int>{kExitDone});
    EXPECT_FALSE(rig.Comm().PortOpen());
    const std::string transfer =
        "正在尝试通讯握手...\n发送第1包...\n发送第2包...\n发送第3包...\n"
        "发送文件传输结束命令...\n文件发送完毕!\n";
    const std::string out = rig.Out.Text();
    const std::string fileLine = "文件大小: 300  包数: 3  crc: 0x";
    ASSERT_EQ(out.substr(0, fileLine.size()), fileLine);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "COM3已打开115200,N,8,1\n" + transfer + transfer);
    EXPECT_EQ(rig.Comm().Frames().size(), 2u * 5u);
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
    const auto& frames = rig.Comm().Frames();
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
        rig.Comm().FailOpen("COM3", c.Number);
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
            ASSERT_EQ(rig.Comm().Frames().back()[3], 0x00);  // the empty block 0 went out
        }
        rig.Comm().LosePort();
        EXPECT_EQ(rig.Finished, std::vector<int>{c.Exit});
        EXPECT_EQ(rig.Err.Text().find("设备无效") != std::string::npos, c.Exit == kExitPortLost);
    }
}

std::string LoggedResults(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::string results;
    for (std::string line; std::getline(in, line);) {
        const auto record = nlohmann::json::parse(line);
        const auto said = record["device_text"].get<std::string>();
        results += (results.empty() ? "" : " ") + record["port"].get<std::string>() + ":" +
                   record["result"].get<std::string>() + (said.empty() ? "" : "=" + said);
    }
    return results;
}

// Whole runs on simulated time, each row a board tray: what the ports and devices do,
// how the run ends, what the log holds and what it printed.
TEST(SendHeadless, RunsOnSeveralPortsAndRecordsEveryTransfer) {
    using Rig = SenderRig;
    using namespace std::chrono_literals;
    const auto none = [](Rig&) {};
    const struct {
        const char* Name;
        std::vector<std::string> Ports;
        std::function<void(SendOptions&)> Option;
        std::function<void(Rig&)> Before, Script;
        std::optional<int> Exit;
        std::string Log, Out, Err;
    } cases[] = {
        {"two ports side by side",
         {"A", "B"},
         {},
         none,
         [](Rig& r) { r.Serve(0), r.Serve(1); },
         kExitDone,
         "A:ok B:ok",
         "\nA: A已打开115200,N,8,1\nB: B已打开",
         "total: 2 flashed, 0 failed"},
        {"a port that cannot be opened stops no other",
         {"A", "B"},
         {},
         [](Rig& r) { r.Comm(1).FailOpen("B", CommError::kPortAlreadyOpen); },
         [](Rig& r) { r.Serve(0); },
         kExitPortFailed,
         "A:ok",
         "A: 文件发送完毕!",
         "B: B被占用!\nA: 1"},
        {"a port lost mid-run stops no other",
         {"A", "B"},
         {},
         none,
         [](Rig& r) { r.Reply({kCrcRequest}), r.Comm(0).LosePort(), r.Serve(1); },
         kExitPortLost,
         "A:port-lost B:ok",
         "A: 正在",
         "A: ymodem-send: the port was lost while open: A设备无效"},
        {"NAK, silence, then a good transfer",
         {"A"},
         {},
         none,
         [](Rig& r) { r.Serve(0, -1, 1), r.Serve(0, 2), r.Serve(0); },
         kExitDone,
         "A:rejected A:timeout A:ok",
         "发生错误!!!",
         "A: 1 flashed, 2 failed\n"},
        {"an erase longer than the watchdog",
         {"A"},
         {},
         none,
         [](Rig& r) { r.Serve(0, -1, -1, 3000ms); },
         std::nullopt,
         "A:timeout",
         "传输超时",
         ""},
        {"--erase-timeout waits for the erase",
         {"A"},
         [](SendOptions& o) { o.EraseTimeoutMs = 5000; },
         none,
         [](Rig& r) { r.Serve(0, -1, -1, 3000ms); },
         kExitDone,
         "A:ok",
         "完毕",
         ""},
        {"--erase-timeout leaves later silences alone",
         {"A"},
         [](SendOptions& o) { o.EraseTimeoutMs = 5000; },
         none,
         [](Rig& r) { r.Serve(0, 2); },
         std::nullopt,
         "A:timeout",
         "",
         ""},
        {"--wait-port: appears, lost mid-transfer, back again",
         {"A"},
         [](SendOptions& o) { o.WaitPort = true; },
         [](Rig& r) { r.Comm().FailOpen("A", CommError::kDeviceUnavailable); },
         [](Rig& r) {
             r.Wait(1000ms), r.Comm().AllowOpen("A"), r.Wait(100ms), r.Reply({kCrcRequest});
             r.Comm().LosePort(), r.Wait(100ms), r.Serve();
         },
         kExitDone,
         "A:port-lost A:ok",
         "\n等待A接入...\nA已打开115200,N,8,1\n正在尝试通讯握手...\nA设备无效\n等待A接入..."
         "\nA已打开",
         "A: 1 flashed, 1 failed"},
        {"--wait-port: the system tells of each arrival",
         {"A"},
         [](SendOptions& o) { o.WaitPort = true; },
         [](Rig& r) {
             r.Factory.TellsArrivals = true, r.Factory.Absent.insert("A");
             r.Comm().FailOpen("A", CommError::kDeviceUnavailable);
         },
         [](Rig& r) {
             r.Comm().AllowOpen("A"), r.Factory.Absent.clear(), r.Factory.Arrived();
             r.Reply({kCrcRequest});
             r.Factory.Absent.insert("A"), r.Comm().LosePort();
             r.Factory.Absent.clear(), r.Factory.Arrived(), r.Serve();
         },
         kExitDone,
         "A:port-lost A:ok",
         "\n等待A接入...\nA已打开115200,N,8,1\n正在尝试通讯握手...\nA设备无效\n等待A接入..."
         "\nA已打开",
         "A: 1 flashed, 1 failed"},
        {"--wait-port: refused for more than 2 s",
         {"A"},
         [](SendOptions& o) { o.WaitPort = true; },
         [](Rig& r) { r.Comm().FailOpen("A", CommError::kPermissionDenied); },
         [](Rig& r) { r.Wait(1000ms), r.Wait(1000ms), r.Wait(100ms); },
         kExitPortFailed,
         "",
         "",
         "dialout"},
        {"--expect: the banner confirms",
         {"A"},
         [](SendOptions& o) { o.Expect.emplace("ready v[0-9]"); },
         none,
         [](Rig& r) {
             r.Serve(),
                 r.Reply(Bytes{'o', 'k', '\n', 'r', 'e', 'a', 'd', 'y', ' ', 'v', '2', '\r'});
         },
         kExitDone,
         "A:ok=ready v2",
         "文件发送完毕!\n设备回应: ready v2\n",
         "A: 1 flashed, 0 failed"},
        {"--expect: the boot loader's C instead, which starts nothing",
         {"A"},
         [](SendOptions& o) { o.Expect.emplace("ready"), o.Count = 2; },
         none,
         [](Rig& r) {
             r.Serve(), r.Reply({kCrcRequest}), r.Wait(200ms), r.Wait(1s);
             EXPECT_EQ(r.Comm().Frames().back(), Bytes{kEot});
             r.Serve(), r.Wait(11s);
         },
         kExitUnconfirmed,
         "A:unverified A:unverified",
         "完毕!\n设备未确认新程序\n正在尝试",
         "A: 0 flashed, 2 failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TempFolder folder;
        SendOptions options = Rig::Options(1, false, c.Ports);
        options.LogFile = Utf8FromPath(folder.Path() / "flash.jsonl");
        if (c.Option) c.Option(options);
        Rig rig(options);
        c.Before(rig);
        ASSERT_EQ(rig.Sender->Start(), std::nullopt);
        c.Script(rig);
        rig.Sender->WaitForRecords();
        EXPECT_EQ(rig.Finished.empty() ? std::nullopt : std::optional(rig.Finished.front()),
                  c.Exit);
        EXPECT_EQ(LoggedResults(folder.Path() / "flash.jsonl"), c.Log);
        EXPECT_TRUE(rig.Out.Text().starts_with("文件大小: 300")) << rig.Out.Text();
        EXPECT_NE(rig.Out.Text().find(c.Out), std::string::npos) << rig.Out.Text();
        EXPECT_NE(rig.Err.Text().find(c.Err), std::string::npos) << rig.Err.Text();
    }
}

}  // namespace
}  // namespace ymodem::test

namespace ymodem::test {
namespace {

// However many ports a run has, it holds the image once.
TEST(SendHeadless, ManyPortsShareOneImage) {
    SenderRig rig(SenderRig::Options(1, false, {"A", "B", "C", "D", "E", "F", "G", "H"}));
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    const auto& first = rig.Sender->Port(0).Driver().State().FileData;
    EXPECT_EQ(first.size(), 300u);
    for (std::size_t port = 1; port < 8; ++port) {
        EXPECT_TRUE(rig.Sender->Port(port).Driver().State().FileData.SameCopy(first)) << port;
    }
}

}  // namespace
}  // namespace ymodem::test
