#include "Win32TextBoxControl.h"

#include "WideText_win.h"

namespace ymodem {

Win32TextBoxControl::Win32TextBoxControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, L"EDIT", ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE) {}

void Win32TextBoxControl::SetText(const std::string& text) {
    SetWindowTextW(Handle(), WideFromBytes(text, CP_UTF8).c_str());
}

}  // namespace ymodem
