#pragma once

#include <QProgressBar>

#include "ProgressBarControl.h"

namespace ymodem {

// A progress bar that keeps Max and Value exactly as they were set and reads them back
// unchanged. What it draws is clamped to what a bar can show; a Max of 0 draws an empty
// bar rather than the busy animation.
class QtProgressBarControl final : public QProgressBar, public ProgressBarControl {
public:
    explicit QtProgressBarControl(QWidget* parent = nullptr);

    int Max() const { return max_; }
    void SetMax(int max) override;
    int Value() const { return value_; }
    void SetValue(int value) override;

private:
    void Draw();

    int max_ = 100;
    int value_ = 0;
};

}  // namespace ymodem
