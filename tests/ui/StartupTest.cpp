#include <gtest/gtest.h>

#include "Platform.h"
#include "TestWindow.h"

namespace ymodem::test {
namespace {

using Texts = std::vector<std::string>;

// The port, its settings, the buffers and the receive trigger, as the window applies them.
void ExpectLineSetup(const SerialControl& comm, const std::string& port, const std::string& baud) {
    EXPECT_EQ(comm.CommPortName(), port);
    EXPECT_EQ(comm.Settings(), baud + ",N,8,1");
    const std::vector<int> properties = {comm.InBufferSize(), comm.OutBufferSize(),
                                         comm.SThreshold(),   comm.RThreshold(),
                                         comm.InputLen(),     comm.InputMode()};
    EXPECT_EQ(properties, std::vector<int>({1024, 4096, 0, 1, 0, 1}));
}

TEST(UiStartup, FirstStartStoresTheDefaultsAndWelcomes) {
    TestWindow w;
    const std::string fileLine = w.controls.Label1.Text;
    w.form.Form_Load();

    const std::string home = WindowSettings::DefaultBurnFilePath();
    const std::string_view br = NativeLineEnd();
    EXPECT_EQ(w.SettingsBytes(), "[Para1]" + std::string(br) + "SaveComm=COM1" + std::string(br) +
                                     "CboBaud=3" + std::string(br) + "Path=" + home +
                                     std::string(br));
    EXPECT_EQ(w.controls.CboBaud.Text(), "57600");
    EXPECT_EQ(w.form.SavedComm, "COM1");
    EXPECT_EQ(w.form.FilePath, home);
    EXPECT_EQ(w.controls.Text1.Text, home);
    // The home folder is no burn file: the file line and the full bar stay.
    EXPECT_EQ(w.controls.Label1.Text, fileLine);
    EXPECT_EQ(w.controls.ProgressBar1.Max, 100);
    EXPECT_EQ(w.controls.ProgressBar1.Value, 100);
    EXPECT_EQ(w.form.Driver().State().SendStep, SendStep::Idle);
    EXPECT_EQ(w.controls.Label4.Text, "欢迎使用!");
    // No ports: both applies stop at the empty port text, the scan has nothing to offer.
    EXPECT_EQ(w.comm.CommPortName(), "");
    EXPECT_EQ(w.comm.Settings(), "9600,N,8,1");
    EXPECT_EQ(w.comm.RThreshold(), 0);
    EXPECT_EQ(w.controls.ComboComm.ListCount(), 0);
    EXPECT_EQ(w.controls.ComboComm.ListIndex(), -1);
}

TEST(UiStartup, StoredBaudTextSelectsAnEntry) {
    const struct {
        const char* stored;
        int entry;
    } cases[] = {
        {"4", 4},       {"-2", 0},    {"abc", 0}, {"2.5", 2},       {"3.5", 4},
        {"7", 4},       {"99999", 4}, {"0.5", 0}, {"  +1.5kbd", 2}, {"32767", 4},
        {"32767.5", 4}, {"-0.4", 0},  {".6", 1},
    };
    const Texts rates = {"9600", "19200", "38400", "57600", "115200"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TestWindow w;
        w.comm.SetCandidates({"COM1"});
        w.Store("CboBaud", c.stored);
        w.form.Form_Load();
        EXPECT_EQ(w.controls.CboBaud.ListIndex(), c.entry);
        EXPECT_EQ(w.form.SavedBaud, c.entry);
        EXPECT_EQ(w.comm.Settings(), rates[c.entry] + ",N,8,1");
        EXPECT_EQ(w.Stored("CboBaud"), c.stored);
    }
}

TEST(UiStartup, ScanListsUsablePortsAndSelectsTheSavedOne) {
    const struct {
        const char* saved;
        int selected;
    } cases[] = {{"COM4", 2}, {"COM2", 1}, {"COM9", 0}, {"com4", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        TestWindow w;
        w.comm.SetCandidates({"COM1", "COM2", "COM3", "COM4"});
        w.comm.FailOpen("COM2", 8005);
        w.comm.FailOpen("COM3", 68);
        w.Store("SaveComm", c.saved);
        w.form.Form_Load();

        EXPECT_EQ(w.controls.ComboComm.Items, Texts({"COM1", "COM2", "COM4"}));
        EXPECT_EQ(w.controls.ComboComm.ListIndex(), c.selected);
        // Each port was tried once; the window then applied its line to the selected one.
        for (const char* port : {"COM1", "COM2", "COM3", "COM4"}) {
            EXPECT_EQ(w.comm.OpenAttempts(port), 1) << port;
        }
        ExpectLineSetup(w.comm, w.controls.ComboComm.Text(), "57600");
        EXPECT_FALSE(w.comm.PortOpen());
        EXPECT_EQ(w.controls.Label4.Text, "欢迎使用!");
    }
}

TEST(UiStartup, FirstActivationAloneFocusesTheOpenButton) {
    TestWindow w;
    w.form.Form_Load();
    EXPECT_FALSE(w.controls.CmdOpenAndClosePort.Focused);
    w.form.Form_Activate();
    EXPECT_TRUE(w.controls.CmdOpenAndClosePort.Focused);
    w.controls.CmdOpenAndClosePort.Focused = false;
    w.form.Form_Activate();
    EXPECT_FALSE(w.controls.CmdOpenAndClosePort.Focused);
}

}  // namespace
}  // namespace ymodem::test
