#include <gtest/gtest.h>

#include <filesystem>

#include "TestWindow.h"
#include "Utf8Path.h"

namespace ymodem::test {
namespace {

constexpr const char* kChooseFile = "请选择一个烧写文件";

std::string FileLinePrefix(int size, int blocks) {
    return "文件大小: " + std::to_string(size) + "  包数: " + std::to_string(blocks) + "  crc: 0x";
}

// A window whose stored burn file a.bin (1100 bytes) was loaded at start-up.
void StartWithLoadedFile(TestWindow& w) {
    w.Store("Path", w.MakeBurnFile("a.bin", 1100));
    w.form.Form_Load();
    ASSERT_TRUE(w.controls.Label1.Text.starts_with(FileLinePrefix(1100, 2)));
    // The full bar of start-up came before the load, which empties it.
    ASSERT_EQ(w.controls.ProgressBar1.Max, 2);
    ASSERT_EQ(w.controls.ProgressBar1.Value, 0);
}

TEST(UiFileCommands, ChoosingTheLoadedFileReloadsItWithoutStoring) {
    TestWindow w;
    w.comm.SetCandidates({"COM1"});
    StartWithLoadedFile(w);
    const std::string path = w.controls.Text1.Text;
    w.Store("Path", "elsewhere");  // reveals a write of the unchanged path
    w.controls.Label1.Text = "old";
    w.controls.CmdOpenAndClosePort.Click();
    w.Reply({'C'});
    w.Reply({0x06});
    ASSERT_EQ(w.form.Driver().State().SentLen, 1024);

    w.controls.CommonDialog1.Answer = path;
    w.controls.Command1.Click();
    EXPECT_EQ(w.controls.CommonDialog1.InitDir, path);
    EXPECT_EQ(w.controls.CommonDialog1.Filter, "烧写文件(*.bin)|*.bin");
    EXPECT_TRUE(w.controls.Label1.Text.starts_with(FileLinePrefix(1100, 2)));
    EXPECT_EQ(w.form.Driver().State().SentLen, 0);
    EXPECT_EQ(w.Stored("Path"), "elsewhere");
    EXPECT_EQ(w.controls.Text1.Text, path);
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
        const std::string chosen =
            c.size > 0 ? w.MakeBurnFile(c.name, c.size) : w.FolderPath(c.name);
        w.controls.CommonDialog1.Answer = chosen;

        w.controls.Command1.Click();
        EXPECT_EQ(w.Stored("Path"), chosen);
        EXPECT_EQ(w.form.FilePath, chosen);
        EXPECT_EQ(w.controls.Text1.Text, chosen);
        EXPECT_TRUE(w.controls.Label1.Text.starts_with(c.fileLine)) << w.controls.Label1.Text;
        EXPECT_EQ(w.controls.Label4.Text, c.status);
    }
}

TEST(UiFileCommands, NoChoiceReturnsToTheStoredPath) {
    TestWindow w;
    StartWithLoadedFile(w);
    const std::string fileLine = w.controls.Label1.Text;
    const std::string stored = w.MakeBurnFile("c.bin", 200);
    w.Store("Path", stored);

    w.controls.CommonDialog1.Answer.clear();
    w.controls.Command1.Click();
    EXPECT_EQ(w.form.FilePath, stored);
    EXPECT_EQ(w.controls.Text1.Text, stored);
    EXPECT_EQ(w.controls.Label1.Text, fileLine);  // c.bin was not loaded
    EXPECT_EQ(w.controls.Label4.Text, "欢迎使用!");
}

// A reload that fails says so, keeps what the window showed, and flashes nothing: the
// device's next C finds no image to send.
TEST(UiFileCommands, AFailedReloadSaysSoAndFlashesNothing) {
    const struct {
        const char* name;
        int size;  // -1: the file was deleted
        const char* status;
        const char* fileLine;
    } cases[] = {
        {"deleted", -1, kChooseFile, "文件大小: 1100  包数: 2"},
        {"rebuilt over the limit", 32768, kChooseFile, "文件大小: 1100  包数: 2"},
        {"rebuilt", 300, "已重新加载!", "文件大小: 300  包数: 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow w;
        w.comm.SetCandidates({"COM1"});
        StartWithLoadedFile(w);
        w.controls.ProgressBar1.Value = 1;
        const std::filesystem::path file = PathFromUtf8(w.controls.Text1.Text);
        if (c.size < 0) {
            ASSERT_TRUE(std::filesystem::remove(file));
        } else {
            w.MakeBurnFile(file.filename().string(), c.size);
        }

        w.controls.Command2.Click();
        EXPECT_EQ(w.controls.Label4.Text, c.status);
        EXPECT_TRUE(w.controls.Label1.Text.starts_with(c.fileLine)) << w.controls.Label1.Text;
        const bool reloaded = c.status != std::string_view(kChooseFile);
        EXPECT_EQ(w.controls.ProgressBar1.Max, reloaded ? 3 : 2);
        EXPECT_EQ(w.controls.ProgressBar1.Value, reloaded ? 0 : 1);
        w.controls.CmdOpenAndClosePort.Click();
        w.Reply({'C'});
        EXPECT_EQ(w.comm.Frames().size(), reloaded ? 1u : 0u);
        EXPECT_EQ(w.controls.Label4.Text, reloaded ? "正在尝试通讯握手..." : kChooseFile);
    }
}

}  // namespace
}  // namespace ymodem::test
