#include "Platform.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace ymodem {

#ifdef _WIN32

std::string_view NativeLineEnd() {
    return "\r\n";
}
bool SyncToDisk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

#else

std::string_view NativeLineEnd() {
    return "\n";
}
bool SyncToDisk(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

#endif

}  // namespace ymodem
