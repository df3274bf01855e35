#include <gtest/gtest.h>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

void ExpectLook(const FakeForm1Controls& c, bool open) {
    EXPECT_EQ(c.CmdOpenAndClosePort.Caption, open ? "关闭串口(&O)" : "打开串口(&O)");
    EXPECT_EQ(c.ImgSwitchOn.Visible, open);
    EXPECT_EQ(c.ComboComm.Enabled, !open);
    EXPECT_EQ(c.CboBaud.Enabled, !open);
}

TEST(UiPort, OpenAndCloseShowTheStateAndLeaveUnchangedSettingsAlone) {
    TestWindow w;
    w.StartOnPort("COM12");
    const std::string settings = w.SettingsBytes();

    w.controls.CmdOpenAndClosePort.Click();
    EXPECT_TRUE(w.comm.PortOpen());
    EXPECT_TRUE(w.form.PortOpened);
    ExpectLook(w.controls, true);
    EXPECT_EQ(w.controls.Label4.Text, "COM12已打开115200,N,8,1");

    w.controls.CmdOpenAndClosePort.Click();
    EXPECT_FALSE(w.comm.PortOpen());
    EXPECT_FALSE(w.form.PortOpened);
    ExpectLook(w.controls, false);
    EXPECT_EQ(w.controls.Label4.Text, "COM12已关闭");
    EXPECT_EQ(w.SettingsBytes(), settings);
}

TEST(UiPort, OpenStoresOnlyWhatDiffersFromTheSavedChoice) {
    const struct {
        int port;
        int baud;
        const char* storedPort;
        const char* storedBaud;
        const char* status;
    } cases[] = {
        {1, 4, "COM77", "1", "COM12已打开115200,N,8,1"},
        {1, 2, "COM77", "2", "COM12已打开38400,N,8,1"},
        {0, 4, "COM1", "1", "COM1已打开115200,N,8,1"},
        {0, 0, "COM1", "0", "COM1已打开9600,N,8,1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        TestWindow w;
        w.comm.SetCandidates({"COM1", "COM12"});
        w.Store("SaveComm", "COM12");
        w.Store("CboBaud", "4");
        w.form.Form_Load();
        // Stand-ins for the stored values reveal any write, even of an equal value.
        w.Store("SaveComm", "COM77");
        w.Store("CboBaud", "1");

        w.controls.ComboComm.Pick(c.port);
        w.controls.CboBaud.Pick(c.baud);
        w.controls.CmdOpenAndClosePort.Click();
        EXPECT_EQ(w.controls.Label4.Text, c.status);
        EXPECT_EQ(w.Stored("SaveComm"), c.storedPort);
        EXPECT_EQ(w.Stored("CboBaud"), c.storedBaud);
    }
}

TEST(UiPort, FailedOpenKeepsTheClosedWindowAndTriesAgainNextTime) {
    const struct {
        int number;
        const char* status;
    } cases[] = {
        {8005, "COM12被占用!"},
        {68, "COM12设备无效"},
        {70, "欢迎使用!"},
        {8010, "欢迎使用!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        TestWindow w;
        w.StartOnPort("COM12");
        w.comm.FailOpen("COM12", c.number);
        const int scanned = w.comm.OpenAttempts("COM12");
        for (int attempt = 1; attempt <= 2; ++attempt) {
            w.controls.CmdOpenAndClosePort.Click();
            EXPECT_EQ(w.comm.OpenAttempts("COM12"), scanned + attempt);
            EXPECT_FALSE(w.form.PortOpened);
            ExpectLook(w.controls, false);
            EXPECT_EQ(w.controls.Label4.Text, c.status);
        }
    }
}

TEST(UiPort, LostPortShowsTheClosedWindowAndCanBeReopened) {
    TestWindow w;
    w.StartOnPort("COM12");
    w.controls.CmdOpenAndClosePort.Click();
    w.comm.LosePort();

    EXPECT_FALSE(w.form.PortOpened);
    ExpectLook(w.controls, false);
    EXPECT_EQ(w.controls.Label4.Text, "COM12设备无效");

    w.controls.CmdOpenAndClosePort.Click();
    EXPECT_TRUE(w.comm.PortOpen());
    ExpectLook(w.controls, true);
}

}  // namespace
}  // namespace ymodem::test
