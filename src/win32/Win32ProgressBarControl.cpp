#include "Win32ProgressBarControl.h"

#include <commctrl.h>

namespace ymodem {

Win32ProgressBarControl::Win32ProgressBarControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, PROGRESS_CLASSW, PBS_SMOOTH) {
    Redraw();
}

void Win32ProgressBarControl::Draw(ProgressRange shown) {
    SendMessageW(Handle(), PBM_SETRANGE32, 0, shown.Max);
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(shown.Value), 0);
}

}  // namespace ymodem
