#include "NativeSeparators.h"

#include <algorithm>

namespace ymodem {

std::string ToNativeSeparators(std::string_view path) {
    std::string native(path);
#ifdef _WIN32
    std::replace(native.begin(), native.end(), '/', '\\');
#endif
    return native;
}

}  // namespace ymodem
