#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "CommError.h"
#include "FakeSerialControl.h"
#include "Frames.h"
#include "HeadlessSender.h"
#include "MemoryBurnFiles.h"
#include "ScriptedBootLoader.h"
#include "SendOptions.h"

namespace ymodem::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Each case gives what it is taken as: all the fields, or the start of the refusal.
TEST(SendOptions, CommandLineValues) {
    const auto taken = [](const ParsedSendOptions& parsed) {
        if (!parsed.Options) return "refused: " + parsed.Error;
        const SendOptions& o = *parsed.Options;
        return QStringLiteral("%1 %2 %3 count=%4 timeout=%5 quiet=%6 end=%7")
            .arg(o.Port, QString::fromStdString(o.File))
            .arg(o.Baud)
            .arg(o.Count)
            .arg(o.TimeoutSeconds)
            .arg(o.Quiet)
            .arg(o.EndSession);
    };
    const struct {
        SendCommandLine Line;
        QString Taken;
    } cases[] = {
        {{{"tty0", "a"}, "115200", "1", "0", false, false},
         "tty0 a 115200 count=1 timeout=0 quiet=0 end=0"},
        {{{"COM3", "b c"}, "9600", "0", "30", true, false},
         "COM3 b c 9600 count=0 timeout=30 quiet=1 end=0"},
        {{{"p", "f"}, "921600", "12", "7", false, true},
         "p f 921600 count=12 timeout=7 quiet=0 end=1"},
        {{{"p", "f"}, "1000000", "1", "0", false, false},
         "p f 1000000 count=1 timeout=0 quiet=0 end=0"},
        {{{"ttyUSB0", "a.bin"}, "fast", "1", "0", false, false}, "refused: --baud"},
        {{{"ttyUSB0", "a.bin"}, "0", "1", "0", false, false}, "refused: --baud"},
        {{{"ttyUSB0", "a.bin"}, "115200", "-1", "0", false, false}, "refused: --count"},
        {{{"ttyUSB0", "a.bin"}, "115200", "x", "0", false, false}, "refused: --count"},
        {{{"ttyUSB0", "a.bin"}, "115200", "0", "0", false, true}, "refused: --end-session"},
        {{{"ttyUSB0", "a.bin"}, "115200", "1", "-5", false, false}, "refused: --timeout"},
        {{{"ttyUSB0"}, "115200", "1", "0", false, false}, "refused: expected a PORT and a FILE"},
        {{{"a", "b", "c"}, "115200", "1", "0", false, false},
         "refused: expected a PORT and a FILE"},
    };
    for (const auto& c : cases) {
        const QString result = taken(CheckSendOptions(c.Line));
        EXPECT_TRUE(result.startsWith(c.Taken)) << result.toStdString();
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
    std::unique_ptr<HeadlessSender> Sender;
    TimePoint Now{std::chrono::hours(1)};

    explicit SenderRig(int count = 1, bool endSession = false) {
        Comm.SetCandidates({"COM3"});
        Files.Files["fw/app.bin"] = Bytes(300, 0x42);
        SendOptions options;
        options.Port = "COM3";
        options.File = "fw/app.bin";
        options.Count = count;
        options.EndSession = endSession;
        Sender = std::make_unique<HeadlessSender>(Comm, Files, options, Out.File(), Err.File(),
                                                  false, [this] { return Now; });
    }

    void Wait(std::chrono::milliseconds step) {
        Now += step;
        Sender->Driver().Wake();
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
    QSignalSpy finished(rig.Sender.get(), &HeadlessSender::Finished);
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    rig.Serve();
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(rig.Comm.PortOpen());
    rig.Serve();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), kExitDone);
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
    QSignalSpy finished(rig.Sender.get(), &HeadlessSender::Finished);
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    rig.Serve();
    rig.Serve();  // the C that starts it is a new transfer, not the end of the batch
    EXPECT_EQ(finished.count(), 0);
    rig.Reply({kCrcRequest});
    rig.Reply({kAck});
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), kExitDone);
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

TEST(SendHeadless, LostPortEndsTheRunWithItsOwnCode) {
    SenderRig rig;
    QSignalSpy finished(rig.Sender.get(), &HeadlessSender::Finished);
    ASSERT_EQ(rig.Sender->Start(), std::nullopt);
    rig.Comm.LosePort();
    QCoreApplication::processEvents();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), kExitPortLost);
    EXPECT_NE(rig.Err.Text().find("COM3设备无效"), std::string::npos);
}

}  // namespace
}  // namespace ymodem::test

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
