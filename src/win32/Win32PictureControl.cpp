#include "Win32PictureControl.h"

#include "WideText_win.h"

namespace ymodem {

Win32PictureControl::Win32PictureControl(HWND parent, const drawn::Control& drawn)
    : Win32Child(parent, drawn, L"STATIC", SS_BITMAP | SS_REALSIZECONTROL) {
    const std::wstring name = WideFromBytes(drawn.Picture, CP_UTF8);
    bitmap_ = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    SendMessageW(Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
}

// The control never owns the bitmap it was given.
Win32PictureControl::~Win32PictureControl() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

void Win32PictureControl::SetVisible(bool visible) {
    ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace ymodem
