#include <windows.h>

#include <io.h>

#include <string>

#include "TerminalLine.h"
#include "WideText_win.h"

namespace ymodem {

namespace {

HANDLE ConsoleOf(std::FILE* stream) {
    std::fflush(stream);
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// Blanks the row the cursor is on and puts the cursor at its start. Gives the row's width,
// or 0 when the stream is no console (a file, a pipe, NUL), which then gets nothing.
SHORT BlankCursorRow(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console, &info)) return 0;
    const COORD start{0, info.dwCursorPosition.Y};
    DWORD written = 0;
    FillConsoleOutputCharacterW(console, L' ', static_cast<DWORD>(info.dwSize.X), start, &written);
    SetConsoleCursorPosition(console, start);
    return info.dwSize.X;
}

}  // namespace

void TerminalLine::Draw(std::string_view text) {
    const HANDLE console = ConsoleOf(stream_);
    const SHORT width = BlankCursorRow(console);
    if (width <= 1) return;
    // The last column stays free: writing it moves the cursor onto the next row.
    const std::wstring wide =
        WideFromBytes(text.substr(0, static_cast<std::size_t>(width - 1)), CP_UTF8);
    DWORD written = 0;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    shown_ = true;
}

void TerminalLine::Wipe() {
    if (!shown_) return;
    BlankCursorRow(ConsoleOf(stream_));
    shown_ = false;
}

}  // namespace ymodem
