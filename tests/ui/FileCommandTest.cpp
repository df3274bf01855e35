#include <gtest/gtest.h>

#include <QFile>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

constexpr const char* kChooseFile = "请选择一个烧写文件";

QString FileLinePrefix(int size, int blocks) {
    return QString("文件大小: %1  包数: %2  crc: 0x").arg(size).arg(blocks);
}

// A window whose stored burn file a.bin (1100 bytes) was loaded at start-up.
void StartWithLoadedFile(TestWindow& w) {
    w.Store("Path", w.MakeBurnFile("a.bin", 1100));
    w.form.Load();
    ASSERT_TRUE(w.form.Label1->text().startsWith(FileLinePrefix(1100, 2)));
    // The full bar of start-up came before the load, which empties it.
    ASSERT_EQ(w.form.ProgressBar1->Max(), 2);
    ASSERT_EQ(w.form.ProgressBar1->Value(), 0);
}

TEST(UiFileCommands, ChoosingTheLoadedFileReloadsItWithoutStoring) {
    TestWindow w;
    w.comm.SetCandidates({"COM1"});
    StartWithLoadedFile(w);
    const QString path = w.form.Text1->text();
    w.Store("Path", "elsewhere");  // reveals a write of the unchanged path
    w.form.Label1->setText("old");
    w.form.CmdOpenAndClosePort->click();
    w.Reply({'C'});
    w.Reply({0x06});
    ASSERT_EQ(w.form.Driver().State().SentLen, 1024);

    w.dialogAnswer = path;
    w.form.Command1->click();
    EXPECT_TRUE(w.form.Label1->text().startsWith(FileLinePrefix(1100, 2)));
    EXPECT_EQ(w.form.Driver().State().SentLen, 0);
    EXPECT_EQ(w.Stored("Path"), "elsewhere");
    EXPECT_EQ(w.form.Text1->text(), path);
}

TEST(UiFileCommands, AnotherFileIsStoredBeforeItIsLoaded) {
    const struct {
        const char* name;
        int size;  // 0: no such file
        const char* fileLine;
        const char* status;
    } cases[] = {
        {"新固件.bin", 300, "文件大小: 300  包数: 3", "欢迎使用!"},
        {"missing.bin", 0, "文件大小: 1100  包数: 2", kChooseFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow w;
        StartWithLoadedFile(w);
        w.dialogAnswer = c.size > 0 ? w.MakeBurnFile(c.name, c.size) : w.FolderPath(c.name);

        w.form.Command1->click();
        EXPECT_EQ(w.Stored("Path"), w.dialogAnswer);
        EXPECT_EQ(w.form.FilePath, w.dialogAnswer.toStdString());
        EXPECT_EQ(w.form.Text1->text(), w.dialogAnswer);
        EXPECT_TRUE(w.form.Label1->text().startsWith(c.fileLine))
            << w.form.Label1->text().toStdString();
        EXPECT_EQ(w.form.Label4->text(), c.status);
    }
}

TEST(UiFileCommands, NoChoiceReturnsToTheStoredPath) {
    TestWindow w;
    StartWithLoadedFile(w);
    const QString fileLine = w.form.Label1->text();
    const QString stored = w.MakeBurnFile("c.bin", 200);
    w.Store("Path", stored);

    w.dialogAnswer.clear();
    w.form.Command1->click();
    EXPECT_EQ(w.form.FilePath, stored.toStdString());
    EXPECT_EQ(w.form.Text1->text(), stored);
    EXPECT_EQ(w.form.Label1->text(), fileLine);  // c.bin was not loaded
    EXPECT_EQ(w.form.Label4->text(), "欢迎使用!");
}

TEST(UiFileCommands, ReloadOfADeletedFileKeepsTheImage) {
    TestWindow w;
    StartWithLoadedFile(w);
    const QString fileLine = w.form.Label1->text();
    const Bytes image = w.form.Driver().State().FileData;
    w.form.ProgressBar1->SetValue(1);
    ASSERT_TRUE(QFile::remove(w.form.Text1->text()));

    w.form.Command2->click();
    EXPECT_EQ(w.form.Label4->text(), "已重新加载!");
    EXPECT_EQ(w.form.Label1->text(), fileLine);
    EXPECT_EQ(w.form.Driver().State().FileData, image);
    EXPECT_EQ(w.form.ProgressBar1->Max(), 2);
    EXPECT_EQ(w.form.ProgressBar1->Value(), 1);
}

}  // namespace
}  // namespace ymodem::test
