#include "QtTextBoxControl.h"

#include "QtText.h"

namespace ymodem {

QtTextBoxControl::QtTextBoxControl(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void QtTextBoxControl::SetText(const std::string& text) {
    setText(FromUtf8(text));
}

}  // namespace ymodem
