#pragma once

#include "ProgressBarControl.h"
#include "Win32Child.h"

namespace ymodem {

// The common controls' progress bar, keeping Max and Value exactly as set. What it draws
// is clamped to what a bar can show; a Max of 0 draws an empty bar.
class Win32ProgressBarControl final : public Win32Child, public ProgressBarControl {
public:
    Win32ProgressBarControl(HWND parent, const drawn::Control& drawn);

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
