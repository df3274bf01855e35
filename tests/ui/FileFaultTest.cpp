// Faults a production line meets with files: burn files that are no burn files, a settings
// folder that cannot be written. POSIX only: FIFOs, device nodes and /proc.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "SettingsLocation.h"
#include "TestWindow.h"

namespace ymodem::test {
namespace {

TEST(UiFaults, BurnFilesThatAreNoBurnFilesAreRefusedAtOnce) {
    TestWindow w;
    w.StartOnPort("COM1");
    w.controls.CommonDialog1.Answer = w.MakeBurnFile("good.bin", 3000);
    w.controls.Command1.Click();
    const auto image = w.form.Driver().State().FileData;
    const std::string line = w.controls.Label1.Text;
    ASSERT_EQ(image.size(), 3000u);

    const std::string fifo = w.FolderPath("fifo.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string sparse = w.FolderPath("sparse.bin");
    w.MakeBurnFile("sparse.bin", 0);
    std::filesystem::resize_file(sparse, std::uintmax_t{2} << 30);
    const std::string refused[] = {w.FolderPath(""), fifo, "/dev/zero", sparse,
                                   "/proc/self/mem" /* even root cannot read it from the start */};
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        w.controls.CommonDialog1.Answer = path;
        const auto started = std::chrono::steady_clock::now();
        w.controls.Command1.Click();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
        EXPECT_EQ(w.controls.Label4.Text, "请选择一个烧写文件");
        EXPECT_EQ(w.form.Driver().State().FileData, image);
        EXPECT_EQ(w.controls.Label1.Text, line);
        EXPECT_EQ(w.controls.Text1.Text, path);
    }
}

TEST(UiFaults, UnwritableSettingsLeaveTheWindowWorkingOnItsValuesInMemory) {
    TestWindow w;
    const std::string blocker = w.MakeBurnFile("not-a-folder", 0);
    const char* previous = getenv("XDG_CONFIG_HOME");
    const std::string previousHome = previous != nullptr ? previous : "";
    for (const std::string& home : {blocker + "/config", std::string("/proc/self")}) {
        SCOPED_TRACE(home);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        FakeSerialControl comm;
        comm.SetCandidates({"COM1", "COM2"});
        FakeForm1Controls controls;
        FakeWakeTimer wake;
        controls.CommonDialog1.Answer = w.MakeBurnFile("fw.bin", 1100);
        Form1 form(controls.Controls(), comm, w.files, wake);
        form.Form_Load();
        EXPECT_EQ(controls.CboBaud.Text(), "57600");
        EXPECT_EQ(controls.Label4.Text, "欢迎使用!");
        controls.ComboComm.Pick(1);
        controls.CmdOpenAndClosePort.Click();
        EXPECT_EQ(controls.Label4.Text, "COM2已打开57600,N,8,1");
        EXPECT_EQ(form.SavedComm, "COM2");
        controls.Command1.Click();
        EXPECT_EQ(controls.Text1.Text, controls.CommonDialog1.Answer);
        EXPECT_EQ(form.Driver().State().FileData.size(), 1100u);
        EXPECT_FALSE(std::filesystem::exists(SettingsFilePath()));
    }
    if (previous != nullptr) {
        setenv("XDG_CONFIG_HOME", previousHome.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace ymodem::test
