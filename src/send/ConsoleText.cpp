#include <cstdarg>
#include <string>

#include "ConsoleText.h"

namespace ymodem {

void PrintText(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0) + 1, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.pop_back();
    WriteText(stream, text);
}

}  // namespace ymodem
