// Faults a production line meets: a device that vanishes, a line full of garbage, burn
// files that are no burn files, a settings folder that cannot be written. Linux only: the
// devices are pseudo-terminals.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include "IniSettings.h"
#include "PtyPair.h"
#include "QtSerialControl.h"
#include "SettingsLocation.h"
#include "TestWindow.h"

namespace ymodem::test {
namespace {

// The window on a real serial control whose only port of its own is a pseudo-terminal,
// offered through the ports folder as "dev0".
struct LineWindow {
    QTemporaryDir folder;
    QByteArray previousConfigHome = qgetenv("XDG_CONFIG_HOME");
    PtyPair device;
    std::unique_ptr<QtSerialControl> comm;
    DiskBurnFileSource files;
    std::unique_ptr<Form1> form;

    LineWindow() {
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
        QDir().mkpath(folder.filePath("ymodem-burner/ports"));
        QFile::link(device.SlavePath(), folder.filePath("ymodem-burner/ports/dev0"));
        WriteIniStr(SettingsFilePath(), "Para1", "SaveComm", "dev0");
        WriteIniStr(SettingsFilePath(), "Para1", "CboBaud", "4");
        comm = std::make_unique<QtSerialControl>();
        form = std::make_unique<Form1>(
            *comm, files, [](QWidget*, const QString&, const QString&) { return QString(); });
        form->Load();
    }
    ~LineWindow() {
        form.reset();
        comm.reset();
        qputenv("XDG_CONFIG_HOME", previousConfigHome);
    }

    void Open() {
        form->CmdOpenAndClosePort_Click();
        ASSERT_EQ(form->Label4->text(), "dev0已打开115200,N,8,1");
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
    ASSERT_TRUE(RunEventsUntil([&] { return w.form->Label4->text() == "dev0设备无效"; }, 5000))
        << w.form->Label4->text().toStdString();
    EXPECT_FALSE(w.comm->PortOpen());
    EXPECT_FALSE(w.form->PortOpened);
    EXPECT_EQ(w.form->CmdOpenAndClosePort->text(), "打开串口(&O)");
    EXPECT_TRUE(w.form->ImgSwitchOn->isHidden());
    EXPECT_TRUE(w.form->ComboComm->isEnabled());
    EXPECT_TRUE(w.form->CboBaud->isEnabled());
    // The transfer ended with the port, and nothing replaces the message: not the silence
    // watchdog two seconds later either.
    EXPECT_EQ(w.form->Driver().State().SendStep, SendStep::Idle);
    EXPECT_EQ(w.form->Driver().NextWake(), std::nullopt);
    RunEventsUntil([] { return false; }, 2500);
    EXPECT_EQ(w.form->Label4->text(), "dev0设备无效");
    // The next click tries again and reports the missing device. The link is pointed
    // somewhere certain to be missing: the pseudo-terminal's number may already serve
    // another test.
    const QString link = w.folder.filePath("ymodem-burner/ports/dev0");
    QFile::remove(link);
    QFile::link(w.folder.filePath("gone"), link);
    w.form->CmdOpenAndClosePort_Click();
    EXPECT_EQ(w.form->Label4->text(), "dev0设备无效");
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
    w.device.ReadUntil([](const Bytes&) { return false; }, 50);  // nothing was sent
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
    EXPECT_EQ(w.form->Label4->text(), "正在尝试通讯握手...");
}

TEST(UiFaults, BurnFilesThatAreNoBurnFilesAreRefusedAtOnce) {
    TestWindow w;
    w.StartOnPort("COM1");
    const QString good = w.MakeBurnFile("good.bin", 3000);
    w.dialogAnswer = good;
    w.form.Command1_Click();
    const auto image = w.form.Driver().State().FileData;
    const QString line = w.form.Label1->text();
    ASSERT_EQ(image.size(), 3000u);

    const QString fifo = w.FolderPath("fifo.bin");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString sparse = w.FolderPath("sparse.bin");
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64{2} << 30));
    }
    const QString refused[] = {w.folder.path(), fifo, "/dev/zero", sparse,
                               "/proc/self/mem" /* even root cannot read it from the start */};
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        w.dialogAnswer = path;
        QElapsedTimer clock;
        clock.start();
        w.form.Command1_Click();
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_EQ(w.form.Label4->text(), "请选择一个烧写文件");
        EXPECT_EQ(w.form.Driver().State().FileData, image);
        EXPECT_EQ(w.form.Label1->text(), line);
        EXPECT_EQ(w.form.Text1->text(), path);
    }
}

TEST(UiFaults, UnwritableSettingsLeaveTheWindowWorkingOnItsValuesInMemory) {
    TestWindow w;
    const QByteArray blocker = w.FolderPath("not-a-folder").toLocal8Bit();
    QFile(blocker).open(QIODevice::WriteOnly);
    for (const QByteArray& home : {blocker + "/config", QByteArray("/proc/self")}) {
        SCOPED_TRACE(home.toStdString());
        qputenv("XDG_CONFIG_HOME", home);
        FakeSerialControl comm;
        comm.SetCandidates({"COM1", "COM2"});
        DiskBurnFileSource files;
        QString answer = w.MakeBurnFile("fw.bin", 1100);
        Form1 form(comm, files, [&](QWidget*, const QString&, const QString&) { return answer; });
        form.Load();
        EXPECT_EQ(form.CboBaud->currentText(), "57600");
        EXPECT_EQ(form.Label4->text(), "欢迎使用!");
        form.ComboComm->setCurrentIndex(1);
        form.CmdOpenAndClosePort_Click();
        EXPECT_EQ(form.Label4->text(), "COM2已打开57600,N,8,1");
        EXPECT_EQ(form.SavedComm, "COM2");
        form.Command1_Click();
        EXPECT_EQ(form.Text1->text(), answer);
        EXPECT_EQ(form.Driver().State().FileData.size(), 1100u);
        EXPECT_FALSE(QFile::exists(QString::fromStdString(SettingsFilePath())));
    }
}

}  // namespace
}  // namespace ymodem::test
