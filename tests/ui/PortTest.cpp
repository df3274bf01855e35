#include <gtest/gtest.h>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

void ExpectClosedLook(const Form1& form) {
    EXPECT_EQ(form.CmdOpenAndClosePort->text(), "打开串口(&O)");
    EXPECT_TRUE(form.ImgSwitchOn->isHidden());
    EXPECT_FALSE(form.ImgSwitchOff->isHidden());
    EXPECT_TRUE(form.ComboComm->isEnabled());
    EXPECT_TRUE(form.CboBaud->isEnabled());
}

void ExpectOpenLook(const Form1& form) {
    EXPECT_EQ(form.CmdOpenAndClosePort->text(), "关闭串口(&O)");
    EXPECT_FALSE(form.ImgSwitchOn->isHidden());
    EXPECT_FALSE(form.ComboComm->isEnabled());
    EXPECT_FALSE(form.CboBaud->isEnabled());
}

TEST(UiPort, OpenAndCloseShowTheStateAndLeaveUnchangedSettingsAlone) {
    TestWindow w;
    w.StartOnPort("COM12");
    const QByteArray settings = w.SettingsBytes();

    w.form.CmdOpenAndClosePort->click();
    EXPECT_TRUE(w.comm.PortOpen());
    EXPECT_TRUE(w.form.PortOpened);
    ExpectOpenLook(w.form);
    EXPECT_EQ(w.form.Label4->text(), "COM12已打开115200,N,8,1");

    w.form.CmdOpenAndClosePort->click();
    EXPECT_FALSE(w.comm.PortOpen());
    EXPECT_FALSE(w.form.PortOpened);
    ExpectClosedLook(w.form);
    EXPECT_EQ(w.form.Label4->text(), "COM12已关闭");
    EXPECT_EQ(w.SettingsBytes(), settings);
}

TEST(UiPort, OpenStoresOnlyWhatDiffersFromTheSavedChoice) {
    const struct {
        const char* port;
        int baud;
        const char* storedPort;
        const char* storedBaud;
        const char* status;
    } cases[] = {
        {"COM12", 4, "COM77", "1", "COM12已打开115200,N,8,1"},
        {"COM12", 2, "COM77", "2", "COM12已打开38400,N,8,1"},
        {"COM1", 4, "COM1", "1", "COM1已打开115200,N,8,1"},
        {"COM1", 0, "COM1", "0", "COM1已打开9600,N,8,1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.port) + " at entry " + std::to_string(c.baud));
        TestWindow w;
        w.comm.SetCandidates({"COM1", "COM12"});
        w.Store("SaveComm", "COM12");
        w.Store("CboBaud", "4");
        w.form.Load();
        // Stand-ins for the stored values reveal any write, even of an equal value.
        w.Store("SaveComm", "COM77");
        w.Store("CboBaud", "1");

        w.form.ComboComm->setCurrentText(c.port);
        w.form.CboBaud->setCurrentIndex(c.baud);
        w.form.CmdOpenAndClosePort_Click();
        EXPECT_EQ(w.form.Label4->text(), c.status);
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
        for (int attempt = 0; attempt < 2; ++attempt) {
            w.comm.ClearRecord();
            w.form.CmdOpenAndClosePort->click();
            EXPECT_EQ(w.comm.Operations(), QStringList({"PortOpen=true"}));
            EXPECT_FALSE(w.form.PortOpened);
            ExpectClosedLook(w.form);
            EXPECT_EQ(w.form.Label4->text(), c.status);
        }
    }
}

TEST(UiPort, LostPortShowsTheClosedWindowAndCanBeReopened) {
    TestWindow w;
    w.StartOnPort("COM12");
    w.form.CmdOpenAndClosePort->click();
    w.comm.LosePort();

    EXPECT_FALSE(w.form.PortOpened);
    ExpectClosedLook(w.form);
    EXPECT_EQ(w.form.Label4->text(), "COM12设备无效");

    w.form.CmdOpenAndClosePort->click();
    EXPECT_TRUE(w.comm.PortOpen());
    ExpectOpenLook(w.form);
}

}  // namespace
}  // namespace ymodem::test
