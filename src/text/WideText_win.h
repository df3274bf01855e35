#pragma once

#include <string>
#include <string_view>

namespace ymodem {

// Windows' own conversions between 8-bit text in a code page (CP_UTF8, CP_ACP) and the
// UTF-16 the wide system calls take.
std::wstring WideFromBytes(std::string_view text, unsigned codePage);
std::string BytesFromWide(std::wstring_view wide, unsigned codePage);

}  // namespace ymodem
