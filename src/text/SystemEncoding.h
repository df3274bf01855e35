#pragma once

#include <string>
#include <string_view>

namespace ymodem {

// Converts between the program's UTF-8 text and the system's 8-bit text: the ANSI
// code page on Windows, the locale's encoding (UTF-8) elsewhere. Characters that
// the 8-bit encoding lacks become '?'.
std::string ToSystem8Bit(std::string_view utf8);
std::string FromSystem8Bit(std::string_view bytes);

}  // namespace ymodem
