// Faults a production line meets on the line: a device that vanishes, a line full of
// garbage. The window's behaviour over its fake controls, on the real serial control and
// timer, with the devices as pseudo-terminals.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "DiskBurnFileSource.h"
#include "FakeControls.h"
#include "Form1.h"
#include "IniSettings.h"
#include "PtyPair.h"
#include "QtSerialBackend.h"
#include "QtWakeTimer.h"
#include "SettingsLocation.h"

namespace ymodem::test {
namespace {

using Bytes = PtyPair::Bytes;

// The window on a real serial control whose only port of its own is a pseudo-terminal,
// offered through the ports folder as "dev0".
struct LineWindow {
    QTemporaryDir folder;
    QByteArray previousConfigHome = qgetenv("XDG_CONFIG_HOME");
    PtyPair device;
    std::unique_ptr<SerialControl> comm;
    DiskBurnFileSource files;
    FakeForm1Controls controls;
    QtWakeTimer wake;
    std::unique_ptr<Form1> form;

    LineWindow() {
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
        QDir().mkpath(folder.filePath("ymodem-burner/ports"));
        QFile::link(QString::fromStdString(device.SlavePath()),
                    folder.filePath("ymodem-burner/ports/dev0"));
        WriteIniStr(SettingsFilePath(), "Para1", "SaveComm", "dev0");
        WriteIniStr(SettingsFilePath(), "Para1", "CboBaud", "4");
        comm = std::make_unique<SerialControl>(QtSerialBackend::SystemNaming(),
                                               std::make_unique<QtSerialBackend>());
        form = std::make_unique<Form1>(controls.Controls(), *comm, files, wake);
        form->Form_Load();
    }
    ~LineWindow() {
        form.reset();
        comm.reset();
        qputenv("XDG_CONFIG_HOME", previousConfigHome);
    }

    const std::string& Status() const { return controls.Label4.Text; }
    void Open() {
        form->CmdOpenAndClosePort_Click();
        ASSERT_EQ(Status(), "dev0已打开115200,N,8,1");
    }
};

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

TEST(UiFaults, DeviceVanishingMidTransferClosesTheWindowsPort) {
    LineWindow w;
    w.form->FilePath = w.folder.filePath("fw.bin").toStdString();
    {
        QFile file(w.folder.filePath("fw.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, 'x'));
    }
    w.form->Command2_Click();
    w.Open();
    w.device.Write(Bytes{'C'});
    ASSERT_EQ(w.device.ReadCount(133).size(), 133u);

    w.device.CloseMaster();
    ASSERT_TRUE(RunEventsUntil([&] { return w.Status() == "dev0设备无效"; }, 5000)) << w.Status();
    EXPECT_FALSE(w.comm->PortOpen());
    EXPECT_FALSE(w.form->PortOpened);
    EXPECT_EQ(w.controls.CmdOpenAndClosePort.Caption, "打开串口(&O)");
    EXPECT_FALSE(w.controls.ImgSwitchOn.Visible);
    EXPECT_TRUE(w.controls.ComboComm.Enabled);
    EXPECT_TRUE(w.controls.CboBaud.Enabled);
    // The transfer ended with the port, and nothing replaces the message: not the silence
    // watchdog two seconds later either.
    EXPECT_EQ(w.form->Driver().State().SendStep, SendStep::Idle);
    EXPECT_EQ(w.form->Driver().NextWake(), std::nullopt);
    RunEventsUntil([] { return false; }, 2500);
    EXPECT_EQ(w.Status(), "dev0设备无效");
    // The next click tries again and reports the missing device. The link is pointed
    // somewhere certain to be missing: the pseudo-terminal's number may already serve
    // another test.
    const QString link = w.folder.filePath("ymodem-burner/ports/dev0");
    QFile::remove(link);
    QFile::link(w.folder.filePath("gone"), link);
    w.form->CmdOpenAndClosePort_Click();
    EXPECT_EQ(w.Status(), "dev0设备无效");
}

TEST(UiFaults, GarbageFloodKeepsTheWindowAnsweringAndAFollowingCStartsATransfer) {
    LineWindow w;
    w.Open();
    const int floodMs = qEnvironmentVariableIntValue("YMODEM_FLOOD_MS") > 0
                            ? qEnvironmentVariableIntValue("YMODEM_FLOOD_MS")
                            : 10000;
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        std::mt19937 random(3);
        Bytes chunk(4096);
        while (flooding) {
            for (auto& byte : chunk) {
                do {
                    byte = static_cast<std::uint8_t>(random());
                } while (byte == 'C' || byte == 0x06 || byte == 0x15);
            }
            w.device.Write(chunk);
        }
    });
    // A tick every 5 ms: how late it comes is how long the handlers keep the thread.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 worstGap = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    tick.start(5);
    long residentAtStart = 0;
    while (clock.elapsed() < floodMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (residentAtStart == 0 && clock.elapsed() > floodMs / 5) residentAtStart = ResidentKiB();
    }
    const long residentAtEnd = ResidentKiB();
    flooding = false;
    flood.join();
    tick.stop();
    RunEventsUntil([] { return false; }, 100);  // the line falls quiet

    std::printf("flood of %d ms: worst event-loop gap %lld ms, resident %ld -> %ld KiB\n", floodMs,
                static_cast<long long>(worstGap), residentAtStart, residentAtEnd);
    EXPECT_LT(worstGap, 100) << "the event loop was held this long (ms)";
#ifndef YMODEM_SANITIZED
    // AddressSanitizer holds freed memory back in its quarantine, so only a plain build
    // says whether the flood leaks.
    EXPECT_LT(residentAtEnd - residentAtStart, 4096) << residentAtStart << " KiB at first";
#endif
    EXPECT_EQ(w.form->Driver().State().SendStep, SendStep::Idle);
    EXPECT_TRUE(w.device.ReadUntil([](const Bytes&) { return false; }, 50).empty())
        << "the flood made the window send";
    w.form->FilePath = w.folder.filePath("fw.bin").toStdString();
    QFile file(w.folder.filePath("fw.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 'x'));
    file.close();
    w.form->Command2_Click();
    w.device.Write(Bytes{'C'});
    const Bytes head = w.device.ReadCount(133);
    ASSERT_EQ(head.size(), 133u);
    EXPECT_EQ(head[0], 0x01);
    EXPECT_EQ(head[2], 0xFF);
    EXPECT_EQ(w.Status(), "正在尝试通讯握手...");
}

}  // namespace
}  // namespace ymodem::test
