#include "Win32ButtonControl.h"

#include <commctrl.h>

#include "WideText_win.h"

namespace ymodem {

Win32ButtonControl::Win32ButtonControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, L"BUTTON", BS_PUSHBUTTON) {
    SetCaption(std::string(drawn.Caption));
    if (!drawn.ToolTip.empty()) AddToolTip(parent);
}

Win32ButtonControl::~Win32ButtonControl() {
    // The tooltip belongs to the window, which may have taken it along already.
    if (toolTip_ != nullptr && IsWindow(toolTip_)) DestroyWindow(toolTip_);
}

void Win32ButtonControl::SetClickHandler(Handler handler) {
    handler_ = std::move(handler);
}

void Win32ButtonControl::SetCaption(const std::string& caption) {
    SetWindowTextW(Handle(), WideFromBytes(caption, CP_UTF8).c_str());
}

void Win32ButtonControl::SetFocus() {
    ::SetFocus(Handle());
}

void Win32ButtonControl::OnCommand(WORD code) {
    if (code == BN_CLICKED && handler_) handler_();
}

void Win32ButtonControl::SetFont(HFONT font) {
    Win32Child::SetFont(font);
    if (toolTip_ != nullptr) SendMessageW(toolTip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
}

void Win32ButtonControl::AddToolTip(HWND parent) {
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    std::wstring text = WideFromBytes(Drawn().ToolTip, CP_UTF8);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = text.data();
    SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace ymodem
