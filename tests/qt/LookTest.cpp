#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QApplication>

#include "DrawnForm.h"
#include "FakeSerialControl.h"
#include "MemoryBurnFiles.h"
#include "QtForm1Window.h"
#include "QtText.h"

namespace ymodem::test {
namespace {

// The window on Qt over a fake port. Its places are checked against the drawn table, the
// one copy of the numbers: what can go wrong here is the front-end's reading of it.
struct QtWindow {
    FakeSerialControl comm;
    MemoryBurnFiles files;
    QtForm1Window window{comm, files};

    QWidget* Control(std::string_view name) { return window.findChild<QWidget*>(FromUtf8(name)); }
};

TEST(UiLook, ControlsSitWhereTheFormWasDrawnWithTheirTextsAndLamps) {
    QtWindow w;
    EXPECT_EQ(w.window.minimumSize(), QSize(drawn::kForm1.Width, drawn::kForm1.Height) / 15);
    EXPECT_EQ(w.window.maximumSize(), w.window.minimumSize());
    for (const drawn::Control& c : drawn::kControls) {
        SCOPED_TRACE(std::string(c.Name));
        QWidget* control = w.Control(c.Name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->pos(), QPoint(c.Left, c.Top) / 15);
        // The labels size themselves to their text, so only their corner is fixed.
        if (c.Type != drawn::Kind::Label) {
            EXPECT_EQ(control->size(), QSize(c.Width, c.Height) / 15);
        }
        EXPECT_EQ(control->isHidden(), !c.Visible);
    }
    QtForm1Window& f = w.window;
    EXPECT_EQ(f.windowTitle(), "Ymodem文件传输 v1.1");
    EXPECT_EQ(f.CmdOpenAndClosePort->text(), "打开串口(&O)");
    EXPECT_EQ(f.CmdOpenAndClosePort->font().bold(), true);
    EXPECT_EQ(f.CmdOpenAndClosePort->toolTip(), "打开串口后会自动监听握手信号");
    EXPECT_EQ(f.CboBaud->count(), 5);
    EXPECT_EQ(f.CboBaud->currentIndex(), -1);
    EXPECT_EQ(f.Label4->font().pointSize(), 12);
    EXPECT_EQ(f.ImgSwitchOn->pixmap().size(), QSize(11, 11));
    EXPECT_EQ(f.ImgSwitchOff->pixmap().size(), QSize(11, 11));
    EXPECT_NE(f.ImgSwitchOn->pixmap().toImage(), f.ImgSwitchOff->pixmap().toImage());
}

// The lamps lie on one another; nothing else may hide part of another control.
TEST(UiLook, NothingOverlapsAndAllLiesInsideTheWindow) {
    QtWindow w;
    for (auto a = drawn::kControls.begin(); a != drawn::kControls.end(); ++a) {
        const QRect place = w.Control(a->Name)->geometry();
        EXPECT_TRUE(w.window.rect().contains(place)) << a->Name;
        for (auto b = a + 1; b != drawn::kControls.end(); ++b) {
            if (a->Type == drawn::Kind::Picture && b->Type == drawn::Kind::Picture) continue;
            EXPECT_FALSE(place.intersects(w.Control(b->Name)->geometry()))
                << a->Name << " " << b->Name;
        }
    }
}

TEST(UiLook, TextLinesAreRedAndGrowFromTheirCorner) {
    QtWindow w;
    for (const QLabel* label :
         {static_cast<QLabel*>(w.window.Label1), static_cast<QLabel*>(w.window.Label4)}) {
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
    w.window.Label1->SetText("文件大小: 1");
    const int shortWidth = w.window.Label1->width();
    w.window.Label1->SetText("文件大小: 32767  包数: 39  crc: 0xAB12");
    EXPECT_GT(w.window.Label1->width(), shortWidth);
    EXPECT_EQ(w.window.Label1->pos(), QPoint(198, 24));
    w.window.Label4->SetText("传输超时,请断电后再次尝试!");
    EXPECT_EQ(w.window.Label4->pos(), QPoint(15, 120));
    EXPECT_EQ(w.window.Label4->size(), w.window.Label4->sizeHint());
}

// The drawn tab numbers: Text1 0, Command1 1, the open button 2, ComboComm 3, Command2 7,
// CboBaud 8; the labels and the bar (4 to 6) never take the focus.
TEST(UiLook, TabOrderFollowsTheTabNumbersAndSkipsTheDisplays) {
    QtWindow w;
    const QStringList expected = {"Text1",     "Command1", "CmdOpenAndClosePort",
                                  "ComboComm", "Command2", "CboBaud"};
    for (const char* display : {"Label1", "Label4", "ProgressBar1", "ImgSwitchOn"}) {
        EXPECT_EQ(w.Control(display)->focusPolicy(), Qt::NoFocus) << display;
    }
    QStringList chain;
    QWidget* control = w.window.Text1;
    do {
        if (control->focusPolicy() & Qt::TabFocus) chain << control->objectName();
        control = control->nextInFocusChain();
    } while (control != w.window.Text1 && chain.size() < 20);
    EXPECT_EQ(chain, expected);
}

TEST(UiLook, FirstActivationFocusesTheOpenButton) {
    QtWindow w;
    w.window.Form().Form_Load();
    w.window.show();
    w.window.activateWindow();
    QApplication::processEvents();
    if (!w.window.isActiveWindow()) GTEST_SKIP() << "this platform cannot activate windows";
    EXPECT_EQ(QApplication::focusWidget(), w.window.CmdOpenAndClosePort);
}

// The window's own clicks reach the behaviour: the open button opens the port.
TEST(UiLook, ClicksAndPicksReachTheWindowsBehaviour) {
    QtWindow w;
    w.comm.SetCandidates({"COM1", "COM2"});
    w.window.Form().Form_Load();
    w.window.ComboComm->setCurrentIndex(1);
    EXPECT_EQ(w.comm.CommPortName(), "COM2");
    w.window.CmdOpenAndClosePort->click();
    EXPECT_TRUE(w.comm.PortOpen());
    EXPECT_FALSE(w.window.ImgSwitchOn->isHidden());
    EXPECT_FALSE(w.window.ComboComm->isEnabled());
    EXPECT_EQ(w.window.Label4->text(), "COM2已打开57600,N,8,1");
}

}  // namespace
}  // namespace ymodem::test
