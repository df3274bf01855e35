#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

namespace ymodem {

// Writes UTF-8 text to a standard stream as its reader will see it, flushed at once: on a
// Windows console as UTF-16 through WriteConsoleW (the console would show UTF-8 bytes as
// the code page's characters), elsewhere, a terminal, a pipe or a file, as its bytes.
void WriteText(std::FILE* stream, std::string_view utf8);

// The text a printf-style format gives with its arguments.
std::string FormatText(const char* format, std::va_list arguments);

// WriteText of a printf-style format.
void PrintText(std::FILE* stream, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

}  // namespace ymodem
