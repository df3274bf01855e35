#include "QtProgressBarControl.h"

#include "ProgressRange.h"

namespace ymodem {

QtProgressBarControl::QtProgressBarControl(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    Draw();
}

void QtProgressBarControl::SetMax(int max) {
    max_ = max;
    Draw();
}

void QtProgressBarControl::SetValue(int value) {
    value_ = value;
    Draw();
}

void QtProgressBarControl::Draw() {
    const ProgressRange shown = ProgressRange::Drawable(max_, value_);
    setRange(0, shown.Max);
    setValue(shown.Value);
}

}  // namespace ymodem
