#pragma once

#include "DrawnProgressBar.h"
#include "Win32Child.h"

namespace ymodem {

// The window's progress bar as the common controls' one.
class Win32ProgressBarControl final : public Win32Child, public DrawnProgressBar {
public:
    Win32ProgressBarControl(HWND parent, const drawn::Control& drawn);

private:
    void Draw(ProgressRange shown) override;
};

}  // namespace ymodem
