#include "SystemEncoding.h"

// Systems other than Windows use UTF-8 as their 8-bit text, so nothing changes.
namespace ymodem {

std::string ToSystem8Bit(std::string_view utf8) {
    return std::string(utf8);
}
std::string FromSystem8Bit(std::string_view bytes) {
    return std::string(bytes);
}

}  // namespace ymodem
