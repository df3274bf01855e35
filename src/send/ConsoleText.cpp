#include <cstdarg>
#include <string>

#include "ConsoleText.h"

namespace ymodem {

std::string FormatText(const char* format, std::va_list arguments) {
    std::va_list again;
    va_copy(again, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0) + 1, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.pop_back();
    return text;
}

void PrintText(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatText(format, arguments);
    va_end(arguments);
    WriteText(stream, text);
}

}  // namespace ymodem
