#include "QtProgressBarControl.h"

#include <algorithm>

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
    // A range of 0 to 0 is Qt's busy indicator; keep at least one step.
    const int shownMax = std::max(max_, 1);
    setRange(0, shownMax);
    setValue(std::clamp(max_ > 0 ? value_ : 0, 0, shownMax));
}

}  // namespace ymodem
