#include <gtest/gtest.h>

#include <QDir>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

QStringList LineSetup(const QString& port, const QString& baud) {
    return {"CommPort=" + port,  "Settings=" + baud + ",N,8,1",
            "InBufferSize=1024", "OutBufferSize=4096",
            "InBufferCount=0",   "OutBufferCount=0",
            "SThreshold=0",      "RThreshold=1",
            "InputLen=0",        "InputMode=1"};
}

TEST(UiStartup, FirstStartStoresTheDefaultsAndWelcomes) {
    TestWindow w;
    const QString fileLine = w.form.Label1->text();
    w.form.Load();

    const QString home = QDir::homePath() + '/';
    EXPECT_EQ(w.SettingsBytes(), "[Para1]\nSaveComm=COM1\nCboBaud=3\nPath=" + home.toUtf8() + "\n");
    EXPECT_EQ(w.form.CboBaud->currentText(), "57600");
    EXPECT_EQ(w.form.SavedComm, "COM1");
    EXPECT_EQ(w.form.FilePath, home.toStdString());
    EXPECT_EQ(w.form.Text1->text(), home);
    // The home folder is no burn file: the file line and the full bar stay.
    EXPECT_EQ(w.form.Label1->text(), fileLine);
    EXPECT_EQ(w.form.ProgressBar1->Max(), 100);
    EXPECT_EQ(w.form.ProgressBar1->Value(), 100);
    EXPECT_EQ(w.form.Driver().State().SendStep, SendStep::Idle);
    EXPECT_EQ(w.form.Label4->text(), "欢迎使用!");
    // No ports: both applies stop at the empty port text, the scan has nothing to offer.
    EXPECT_EQ(w.comm.Operations(), QStringList({"CommPort=", "CommPort="}));
    EXPECT_EQ(w.form.ComboComm->count(), 0);
    EXPECT_EQ(w.form.ComboComm->currentIndex(), -1);
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
    const QStringList rates = {"9600", "19200", "38400", "57600", "115200"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TestWindow w;
        w.comm.SetCandidates({"COM1"});
        w.Store("CboBaud", c.stored);
        w.form.Load();
        EXPECT_EQ(w.form.CboBaud->currentIndex(), c.entry);
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
        w.form.Load();

        EXPECT_EQ(Items(w.form.ComboComm), QStringList({"COM1", "COM2", "COM4"}));
        EXPECT_EQ(w.form.ComboComm->currentIndex(), c.selected);
        const QStringList scan = {
            "CommPort=COM1", "PortOpen=true", "PortOpen=false", "CommPort=COM2", "PortOpen=true",
            "CommPort=COM3", "PortOpen=true", "CommPort=COM4",  "PortOpen=true", "PortOpen=false"};
        const QStringList& ops = w.comm.Operations();
        // First the baud selection's apply, which stops at the still empty port list.
        ASSERT_GT(ops.size(), scan.size() + 10);
        EXPECT_EQ(ops.front(), "CommPort=");
        EXPECT_EQ(ops.mid(1, scan.size()), scan);
        const QString port = w.form.ComboComm->currentText();
        EXPECT_EQ(ops.mid(ops.size() - 10), LineSetup(port, "57600"));
        EXPECT_EQ(w.comm.CommPortName(), port);
        EXPECT_FALSE(w.comm.PortOpen());
        EXPECT_EQ(w.form.Label4->text(), "欢迎使用!");
    }
}

}  // namespace
}  // namespace ymodem::test
