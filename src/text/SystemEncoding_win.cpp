#include <windows.h>

#include "SystemEncoding.h"
#include "WideText_win.h"

namespace ymodem {

std::string ToSystem8Bit(std::string_view utf8) {
    return BytesFromWide(WideFromBytes(utf8, CP_UTF8), CP_ACP);
}
std::string FromSystem8Bit(std::string_view bytes) {
    return BytesFromWide(WideFromBytes(bytes, CP_ACP), CP_UTF8);
}

}  // namespace ymodem
