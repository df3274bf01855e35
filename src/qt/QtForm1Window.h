#pragma once

#include <memory>

#include <QWidget>

#include "DrawnForm.h"
#include "Form1.h"
#include "QtButtonControl.h"
#include "QtFileChooser.h"
#include "QtLabelControl.h"
#include "QtListControl.h"
#include "QtPictureControl.h"
#include "QtProgressBarControl.h"
#include "QtTextBoxControl.h"
#include "QtWakeTimer.h"

namespace ymodem {

// The window on Qt: the widgets of the drawn form, with Form1 behind them. The widgets keep
// the drawn names as their object names.
class QtForm1Window final : public QWidget {
public:
    QtForm1Window(SerialControl& comm, BurnFileSource& files,
                  WindowSettings settings = WindowSettings());
    ~QtForm1Window() override;

    Form1& Form() { return *form_; }

    QtListControl* ComboComm;
    QtListControl* CboBaud;
    QtButtonControl* CmdOpenAndClosePort;
    QtPictureControl* ImgSwitchOff;
    QtPictureControl* ImgSwitchOn;
    QtLabelControl* Label1;
    QtButtonControl* Command2;
    QtButtonControl* Command1;
    QtTextBoxControl* Text1;
    QtProgressBarControl* ProgressBar1;
    QtLabelControl* Label4;

protected:
    bool event(QEvent* event) override;

private:
    template <typename Widget>
    Widget* Make(const char* name);
    void SetTabOrder();

    QtWakeTimer wake_;
    QtFileChooser chooser_;
    std::unique_ptr<Form1> form_;
};

}  // namespace ymodem
