#pragma once

#include <windows.h>

namespace ymodem {

// The monitor's dots per inch and what they make of the drawn twips. GetDpiForWindow and
// AdjustWindowRectExForDpi exist from Windows 10 1607 on; they are looked up at run time,
// so that the program still starts on Windows 7 and 8.1, where the system's one DPI serves.
class Win32Dpi {
public:
    static int ForWindow(HWND window);
    // The outer size of a window whose client area is client pixels.
    static SIZE WindowSizeFor(SIZE client, DWORD style, DWORD exStyle, int dpi);
    // 15 twips to the pixel at 96 dots per inch.
    static int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }
};

}  // namespace ymodem
