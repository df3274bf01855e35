#include "Win32ListControl.h"

#include <commctrl.h>

#include <vector>

#include "WideText_win.h"
#include "Win32Dpi.h"

namespace ymodem {

namespace {

// The ports COM1 to COM16 all fit when the list drops down.
constexpr int kEntriesShown = 16;

}  // namespace

Win32ListControl::Win32ListControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, L"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL) {
    SendMessageW(Handle(), CB_SETMINVISIBLE, kEntriesShown, 0);
    for (const std::string_view entry : drawn.Entries) AddItem(std::string(entry));
}

void Win32ListControl::SetClickHandler(Handler handler) {
    handler_ = std::move(handler);
}

int Win32ListControl::ListIndex() const {
    const LRESULT index = SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32ListControl::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) return;
    SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    RaiseIfChanged();
}

void Win32ListControl::AddItem(const std::string& text) {
    const std::wstring wide = WideFromBytes(text, CP_UTF8);
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32ListControl::ListCount() const {
    return static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0));
}

std::string Win32ListControl::List(int index) const {
    const LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == CB_ERR) return {};
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
    SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    return BytesFromWide(std::wstring_view(text.data(), static_cast<std::size_t>(length)), CP_UTF8);
}

std::string Win32ListControl::Text() const {
    return List(ListIndex());
}

void Win32ListControl::SetEnabled(bool enabled) {
    EnableWindow(Handle(), enabled);
}

// A keyboard walk through the open list raises CBN_SELCHANGE for each entry passed, and
// one that is cancelled returns to the first entry with no notification but the close.
void Win32ListControl::OnCommand(WORD code) {
    if (code == CBN_SELCHANGE || code == CBN_CLOSEUP) RaiseIfChanged();
}

void Win32ListControl::RaiseIfChanged() {
    const int index = ListIndex();
    if (index == reported_) return;
    reported_ = index;
    if (handler_) handler_();
}

// A tall CJK font would make the closed box taller than drawn, over the list below it;
// its selection field is shrunk or grown to the drawn height.
void Win32ListControl::Place(int dpi) {
    const int closed = Win32Dpi::Pixels(Drawn().Height, dpi);
    PlaceSized(dpi, {Win32Dpi::Pixels(Drawn().Width, dpi), closed * (kEntriesShown + 1)});
    RECT box{};
    GetWindowRect(Handle(), &box);
    const LRESULT field = SendMessageW(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (field == CB_ERR) return;
    const LRESULT fitted = field + closed - (box.bottom - box.top);
    if (fitted > 0) SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fitted);
}

}  // namespace ymodem
