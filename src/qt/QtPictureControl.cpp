#include "QtPictureControl.h"

namespace ymodem {

QtPictureControl::QtPictureControl(QWidget* parent) : QLabel(parent) {}

void QtPictureControl::SetVisible(bool visible) {
    setVisible(visible);
}

}  // namespace ymodem
