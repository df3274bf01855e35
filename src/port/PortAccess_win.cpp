#include "PortAccess.h"

namespace ymodem {

bool PortAccess::CanReadWrite(const std::string& /*device*/) {
    return true;
}

}  // namespace ymodem
