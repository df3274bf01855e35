#include "Win32Child.h"

#include "Win32Dpi.h"

namespace ymodem {

namespace {

constexpr int kFirstId = 100;

}  // namespace

Win32Child::Win32Child(HWND parent, const drawn::Control& drawn, const wchar_t* windowClass,
                       DWORD style, DWORD exStyle)
    : drawn_(drawn) {
    // Siblings clip each other, so that the green lamp covers the grey one by its place in
    // the stacking order alone.
    style |= WS_CHILD | WS_CLIPSIBLINGS | (drawn.Visible ? WS_VISIBLE : 0);
    if (drawn::TakesFocus(drawn)) style |= WS_TABSTOP;
    handle_ = CreateWindowExW(exStyle, windowClass, L"", style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(drawn))),
                              GetModuleHandleW(nullptr), nullptr);
}

Win32Child::~Win32Child() {
    if (IsWindow(handle_)) DestroyWindow(handle_);
}

int Win32Child::IdOf(const drawn::Control& drawn) {
    return kFirstId + static_cast<int>(&drawn - drawn::kControls.data());
}

void Win32Child::SetFont(HFONT font) {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Win32Child::Place(int dpi) {
    PlaceSized(dpi, {Win32Dpi::Pixels(drawn_.Width, dpi), Win32Dpi::Pixels(drawn_.Height, dpi)});
}

void Win32Child::PlaceSized(int dpi, SIZE size) {
    SetWindowPos(handle_, nullptr, Win32Dpi::Pixels(drawn_.Left, dpi),
                 Win32Dpi::Pixels(drawn_.Top, dpi), size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ymodem
