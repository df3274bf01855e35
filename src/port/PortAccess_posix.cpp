#include "PortAccess_posix.h"

#include <unistd.h>

#include "Utf8Path.h"

namespace ymodem {

bool PortAccess::CanReadWrite(const std::string& device) {
    return ::access(PathFromUtf8(device).c_str(), R_OK | W_OK) == 0;
}

}  // namespace ymodem
