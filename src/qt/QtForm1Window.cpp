#include "QtForm1Window.h"

#include <algorithm>
#include <vector>

#include <QEvent>
#include <QPalette>
#include <QPixmap>

#include "QtText.h"
#include "QtWindowFonts.h"

namespace ymodem {

namespace {

int Pixels(int twips) {
    return twips / drawn::kTwipsPerPixel;
}

void ShowRed(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    widget->setPalette(palette);
}

}  // namespace

QtForm1Window::QtForm1Window(SerialControl& comm, BurnFileSource& files, WindowSettings settings)
    : chooser_(this) {
    setObjectName("Form1");
    setWindowTitle(FromUtf8(drawn::kForm1.Title));
    setFont(QtWindowFonts::For(drawn::kForm1.Font));
    setFixedSize(Pixels(drawn::kForm1.Width), Pixels(drawn::kForm1.Height));
    ComboComm = Make<QtListControl>("ComboComm");
    CboBaud = Make<QtListControl>("CboBaud");
    CmdOpenAndClosePort = Make<QtButtonControl>("CmdOpenAndClosePort");
    ImgSwitchOff = Make<QtPictureControl>("ImgSwitchOff");
    ImgSwitchOn = Make<QtPictureControl>("ImgSwitchOn");
    Label1 = Make<QtLabelControl>("Label1");
    Command2 = Make<QtButtonControl>("Command2");
    Command1 = Make<QtButtonControl>("Command1");
    Text1 = Make<QtTextBoxControl>("Text1");
    ProgressBar1 = Make<QtProgressBarControl>("ProgressBar1");
    Label4 = Make<QtLabelControl>("Label4");
    SetTabOrder();
    form_ = std::make_unique<Form1>(
        Form1Controls{*ComboComm, *CboBaud, *CmdOpenAndClosePort, *ImgSwitchOn, *Label1, *Command2,
                      *Command1, *Text1, *ProgressBar1, *Label4, chooser_},
        comm, files, wake_, TransferDriver::SteadyClock(), std::move(settings));
}

// The behaviour, the last member, goes before the widgets, which QWidget deletes after it.
QtForm1Window::~QtForm1Window() = default;

template <typename Widget>
Widget* QtForm1Window::Make(const char* name) {
    const drawn::Control& drawnControl = drawn::ControlNamed(name);
    auto* widget = new Widget(this);
    widget->setObjectName(name);
    widget->setGeometry(Pixels(drawnControl.Left), Pixels(drawnControl.Top),
                        Pixels(drawnControl.Width), Pixels(drawnControl.Height));
    if (drawnControl.Font != drawn::kForm1.Font)
        widget->setFont(QtWindowFonts::For(drawnControl.Font));
    if (!drawnControl.ToolTip.empty()) widget->setToolTip(FromUtf8(drawnControl.ToolTip));
    if (drawnControl.Red) ShowRed(widget);
    if constexpr (std::is_same_v<Widget, QtListControl>) {
        for (const std::string_view entry : drawnControl.Entries)
            widget->AddItem(std::string(entry));
    } else if constexpr (std::is_same_v<Widget, QtPictureControl>) {
        widget->setPixmap(QPixmap(":/lamps/" + FromUtf8(drawnControl.Picture)));
    } else if constexpr (std::is_same_v<Widget, QtProgressBarControl>) {
        widget->setFocusPolicy(Qt::NoFocus);
    } else if constexpr (std::is_same_v<Widget, QtButtonControl>) {
        widget->SetCaption(std::string(drawnControl.Caption));
    } else if constexpr (std::is_same_v<Widget, QtLabelControl>) {
        widget->SetText(std::string(drawnControl.Caption));
    }
    if (!drawnControl.Visible) widget->hide();
    return widget;
}

// Tab follows the drawn tab numbers over the controls that take the focus.
void QtForm1Window::SetTabOrder() {
    const std::vector<const drawn::Control*> order = drawn::TabOrder();
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(findChild<QWidget*>(FromUtf8(order[i]->Name)),
                    findChild<QWidget*>(FromUtf8(order[i + 1]->Name)));
    }
}

bool QtForm1Window::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) form_->Form_Activate();
    return QWidget::event(event);
}

}  // namespace ymodem
