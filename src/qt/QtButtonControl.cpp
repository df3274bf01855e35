#include "QtButtonControl.h"

#include "QtText.h"

namespace ymodem {

QtButtonControl::QtButtonControl(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, [this] {
        if (handler_) handler_();
    });
}

void QtButtonControl::SetClickHandler(Handler handler) {
    handler_ = std::move(handler);
}

void QtButtonControl::SetCaption(const std::string& caption) {
    setText(FromUtf8(caption));
}

void QtButtonControl::SetFocus() {
    setFocus();
}

}  // namespace ymodem
