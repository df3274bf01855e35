#include "NativeSeparators.h"

#include <algorithm>

#include "SystemFileNaming.h"

namespace ymodem {

std::string ToNativeSeparators(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '/', SystemPathSeparator());
    return native;
}

}  // namespace ymodem
