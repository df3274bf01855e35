#include "BlockProgressBar.h"

#include <algorithm>

namespace ymodem {

BlockProgressBar::BlockProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    Draw();
}

void BlockProgressBar::SetMax(int max) {
    max_ = max;
    Draw();
}

void BlockProgressBar::SetValue(int value) {
    value_ = value;
    Draw();
}

void BlockProgressBar::Draw() {
    // A range of 0 to 0 is Qt's busy indicator; keep at least one step.
    const int shownMax = std::max(max_, 1);
    setRange(0, shownMax);
    setValue(std::clamp(max_ > 0 ? value_ : 0, 0, shownMax));
}

}  // namespace ymodem
