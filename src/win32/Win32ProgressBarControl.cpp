#include "Win32ProgressBarControl.h"

#include <commctrl.h>

#include <algorithm>

namespace ymodem {

Win32ProgressBarControl::Win32ProgressBarControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, PROGRESS_CLASSW, PBS_SMOOTH) {
    Draw();
}

void Win32ProgressBarControl::SetMax(int max) {
    max_ = max;
    Draw();
}

void Win32ProgressBarControl::SetValue(int value) {
    value_ = value;
    Draw();
}

void Win32ProgressBarControl::Draw() {
    const int shownMax = std::max(max_, 1);
    SendMessageW(Handle(), PBM_SETRANGE32, 0, shownMax);
    SendMessageW(Handle(), PBM_SETPOS,
                 static_cast<WPARAM>(std::clamp(max_ > 0 ? value_ : 0, 0, shownMax)), 0);
}

}  // namespace ymodem
