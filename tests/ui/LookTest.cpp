#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QApplication>

#include "TestWindow.h"

namespace ymodem::test {
namespace {

// The form as it was drawn, in twips (15 to the pixel at 96 dots per inch). The labels
// size themselves to their text, so only their corner is fixed. The displays have no
// place in the tab order (-1).
struct Drawn {
    QWidget* control;
    const char* name;
    int left, top, width, height;
    int tab;
};

std::vector<Drawn> DrawnControls(Form1& f) {
    return {
        {f.ComboComm, "ComboComm", 225, 150, 1125, 300, 3},
        {f.CboBaud, "CboBaud", 225, 495, 1125, 300, 8},
        {f.CmdOpenAndClosePort, "CmdOpenAndClosePort", 1440, 135, 1275, 675, 2},
        {f.ImgSwitchOn, "ImgSwitchOn", 2745, 405, 165, 165, -1},
        {f.ImgSwitchOff, "ImgSwitchOff", 2745, 405, 165, 165, -1},
        {f.Label1, "Label1", 2970, 360, 0, 0, -1},
        {f.Command2, "Command2", 6750, 315, 1230, 420, 7},
        {f.Command1, "Command1", 6750, 855, 1230, 420, 1},
        {f.Text1, "Text1", 225, 900, 6450, 375, 0},
        {f.ProgressBar1, "ProgressBar1", 225, 1350, 7755, 330, -1},
        {f.Label4, "Label4", 225, 1800, 0, 0, -1},
    };
}

TEST(UiLook, ControlsSitWhereTheFormWasDrawnWithTheirTextsAndLamps) {
    TestWindow w;
    EXPECT_EQ(w.form.minimumSize(), QSize(8175, 2175) / 15);
    EXPECT_EQ(w.form.maximumSize(), w.form.minimumSize());
    for (const Drawn& c : DrawnControls(w.form)) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.control->objectName(), c.name);
        EXPECT_EQ(c.control->pos(), QPoint(c.left, c.top) / 15);
        if (c.width > 0) {
            EXPECT_EQ(c.control->size(), QSize(c.width, c.height) / 15);
        }
    }
    Form1& f = w.form;
    EXPECT_EQ(f.windowTitle(), "Ymodem文件传输 v1.1");
    EXPECT_EQ(f.CmdOpenAndClosePort->toolTip(), "打开串口后会自动监听握手信号");
    EXPECT_EQ(f.ImgSwitchOn->pixmap().size(), QSize(11, 11));
    EXPECT_EQ(f.ImgSwitchOff->pixmap().size(), QSize(11, 11));
    EXPECT_NE(f.ImgSwitchOn->pixmap().toImage(), f.ImgSwitchOff->pixmap().toImage());
    EXPECT_TRUE(f.ImgSwitchOn->isHidden());
    EXPECT_FALSE(f.ImgSwitchOff->isHidden());
}

// The lamps lie on one another; nothing else may hide part of another control.
TEST(UiLook, NothingOverlapsAndAllLiesInsideTheWindow) {
    TestWindow w;
    const std::vector<Drawn> controls = DrawnControls(w.form);
    for (auto a = controls.begin(); a != controls.end(); ++a) {
        const QRect place = a->control->geometry();
        EXPECT_TRUE(w.form.rect().contains(place)) << a->name;
        for (auto b = a + 1; b != controls.end(); ++b) {
            if (a->control == w.form.ImgSwitchOn && b->control == w.form.ImgSwitchOff) continue;
            EXPECT_FALSE(place.intersects(b->control->geometry())) << a->name << " " << b->name;
        }
    }
}

TEST(UiLook, TextLinesAreRedAndGrowFromTheirCorner) {
    TestWindow w;
    for (const QLabel* label : {w.form.Label1, w.form.Label4}) {
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
    w.form.ShowFileInfo("文件大小: 1");
    const int shortWidth = w.form.Label1->width();
    w.form.ShowFileInfo("文件大小: 32767  包数: 39  crc: 0xAB12");
    EXPECT_GT(w.form.Label1->width(), shortWidth);
    EXPECT_EQ(w.form.Label1->pos(), QPoint(198, 24));
    w.form.ShowStatus("传输超时,请断电后再次尝试!");
    EXPECT_EQ(w.form.Label4->pos(), QPoint(15, 120));
    EXPECT_EQ(w.form.Label4->size(), w.form.Label4->sizeHint());
}

TEST(UiLook, TabOrderFollowsTheTabNumbersAndSkipsTheDisplays) {
    TestWindow w;
    std::vector<Drawn> controls = DrawnControls(w.form);
    std::sort(controls.begin(), controls.end(),
              [](const Drawn& a, const Drawn& b) { return a.tab < b.tab; });
    QStringList expected;
    for (const Drawn& c : controls) {
        if (c.tab < 0) {
            EXPECT_EQ(c.control->focusPolicy(), Qt::NoFocus) << c.name;
        } else {
            expected << c.name;
        }
    }
    QStringList chain;
    QWidget* control = w.form.Text1;
    do {
        if (control->focusPolicy() & Qt::TabFocus) chain << control->objectName();
        control = control->nextInFocusChain();
    } while (control != w.form.Text1 && chain.size() < 20);
    EXPECT_EQ(chain, expected);
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
