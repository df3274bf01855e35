#include "Win32ProgressBarControl.h"

#include <commctrl.h>

#include "ProgressRange.h"

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
    const ProgressRange shown = ProgressRange::Drawable(max_, value_);
    SendMessageW(Handle(), PBM_SETRANGE32, 0, shown.Max);
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(shown.Value), 0);
}

}  // namespace ymodem
