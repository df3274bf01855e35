#include <gtest/gtest.h>

#include <QApplication>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

TEST(UiLook, ControlsHaveTheirNamesPlacesAndPictures) {
    TestWindow w;
    Form1& f = w.form;
    const struct {
        QWidget* control;
        const char* name;
        QRect place;  // an empty size: the control sizes itself
    } cases[] = {
        {f.ComboComm, "ComboComm", {15, 10, 75, 20}},
        {f.CboBaud, "CboBaud", {15, 33, 75, 20}},
        {f.CmdOpenAndClosePort, "CmdOpenAndClosePort", {96, 9, 85, 45}},
        {f.ImgSwitchOn, "ImgSwitchOn", {183, 27, 11, 11}},
        {f.ImgSwitchOff, "ImgSwitchOff", {183, 27, 11, 11}},
        {f.Label1, "Label1", {198, 24, 0, 0}},
        {f.Command2, "Command2", {450, 21, 82, 28}},
        {f.Command1, "Command1", {450, 57, 82, 28}},
        {f.Text1, "Text1", {15, 60, 430, 25}},
        {f.ProgressBar1, "ProgressBar1", {15, 90, 517, 22}},
        {f.Label4, "Label4", {15, 120, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.control->objectName(), c.name);
        EXPECT_EQ(c.control->pos(), c.place.topLeft());
        if (!c.place.isEmpty()) {
            EXPECT_EQ(c.control->size(), c.place.size());
        }
    }
    EXPECT_EQ(f.windowTitle(), "Ymodem文件传输 v1.1");
    EXPECT_EQ(f.minimumSize(), QSize(545, 145));
    EXPECT_EQ(f.maximumSize(), QSize(545, 145));
    EXPECT_EQ(f.CmdOpenAndClosePort->toolTip(), "打开串口后会自动监听握手信号");
    EXPECT_EQ(f.ImgSwitchOn->pixmap().size(), QSize(11, 11));
    EXPECT_EQ(f.ImgSwitchOff->pixmap().size(), QSize(11, 11));
    EXPECT_NE(f.ImgSwitchOn->pixmap().toImage(), f.ImgSwitchOff->pixmap().toImage());
    EXPECT_TRUE(f.ImgSwitchOn->isHidden());
    EXPECT_FALSE(f.ImgSwitchOff->isHidden());
}

TEST(UiLook, TextLinesAreRedAndGrowFromTheirCorner) {
    TestWindow w;
    for (const QLabel* label : {w.form.Label1, w.form.Label4}) {
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
    w.form.SetFileInfoText("文件大小: 1");
    const int shortWidth = w.form.Label1->width();
    w.form.SetFileInfoText("文件大小: 32767  包数: 39  crc: 0xAB12");
    EXPECT_GT(w.form.Label1->width(), shortWidth);
    EXPECT_EQ(w.form.Label1->pos(), QPoint(198, 24));
    w.form.SetStatusText("传输超时,请断电后再次尝试!");
    EXPECT_EQ(w.form.Label4->pos(), QPoint(15, 120));
    EXPECT_EQ(w.form.Label4->size(), w.form.Label4->sizeHint());
}

TEST(UiLook, TabOrderSkipsTheDisplays) {
    TestWindow w;
    Form1& f = w.form;
    QStringList chain;
    QWidget* control = f.Text1;
    do {
        if (control->focusPolicy() & Qt::TabFocus) chain << control->objectName();
        control = control->nextInFocusChain();
    } while (control != f.Text1 && chain.size() < 20);
    EXPECT_EQ(chain, QStringList({"Text1", "Command1", "CmdOpenAndClosePort", "ComboComm",
                                  "Command2", "CboBaud"}));
    for (const QWidget* display : std::initializer_list<const QWidget*>{
             f.Label1, f.Label4, f.ImgSwitchOn, f.ImgSwitchOff, f.ProgressBar1}) {
        EXPECT_EQ(display->focusPolicy(), Qt::NoFocus) << display->objectName().toStdString();
    }
}

TEST(UiLook, FirstActivationFocusesTheOpenButton) {
    TestWindow w;
    w.form.Load();
    w.form.show();
    w.form.activateWindow();
    QApplication::processEvents();
    if (!w.form.isActiveWindow()) GTEST_SKIP() << "this platform cannot activate windows";
    EXPECT_EQ(QApplication::focusWidget(), w.form.CmdOpenAndClosePort);
}

TEST(UiLook, ProgressBarKeepsWhatWasSetAndNeverShowsBusy) {
    const struct {
        int max;
        int value;
        double drawn;  // the share of the bar filled; negative: not checked
    } cases[] = {
        {100, 100, 1.0}, {2, 1, 0.5}, {2, 5, 1.0}, {39, -1, 0.0}, {0, 0, 0.0}, {0, 3, -1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.max) + "/" + std::to_string(c.value));
        BlockProgressBar bar;
        bar.SetValue(c.value);
        bar.SetMax(c.max);
        EXPECT_EQ(bar.Max(), c.max);
        EXPECT_EQ(bar.Value(), c.value);
        ASSERT_LT(bar.minimum(), bar.maximum());  // 0..0 is the busy animation
        const double drawn =
            double(bar.value() - bar.minimum()) / double(bar.maximum() - bar.minimum());
        if (c.drawn >= 0) {
            EXPECT_DOUBLE_EQ(drawn, c.drawn);
        }
    }
}

}  // namespace
}  // namespace ymodem::test
