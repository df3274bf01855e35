#include "QtProgressBarControl.h"

namespace ymodem {

QtProgressBarControl::QtProgressBarControl(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    Redraw();
}

void QtProgressBarControl::Draw(ProgressRange shown) {
    setRange(0, shown.Max);
    setValue(shown.Value);
}

}  // namespace ymodem
