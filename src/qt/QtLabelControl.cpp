#include "QtLabelControl.h"

#include "QtText.h"

namespace ymodem {

QtLabelControl::QtLabelControl(QWidget* parent) : QLabel(parent) {}

void QtLabelControl::SetText(const std::string& text) {
    setText(FromUtf8(text));
    adjustSize();
}

}  // namespace ymodem
