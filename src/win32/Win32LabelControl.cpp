#include "Win32LabelControl.h"

#include "WideText_win.h"

namespace ymodem {

Win32LabelControl::Win32LabelControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX) {}

void Win32LabelControl::SetText(const std::string& text) {
    text_ = WideFromBytes(text, CP_UTF8);
    PlaceSized(dpi_, TextSize());
    SetWindowTextW(Handle(), text_.c_str());
}

void Win32LabelControl::Place(int dpi) {
    dpi_ = dpi;
    PlaceSized(dpi_, TextSize());
}

SIZE Win32LabelControl::TextSize() const {
    const HDC dc = GetDC(Handle());
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    RECT bounds{};
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &bounds,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(Handle(), dc);
    return {bounds.right, bounds.bottom};
}

}  // namespace ymodem
