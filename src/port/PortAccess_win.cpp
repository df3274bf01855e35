#include "PortAccess.h"

namespace ymodem {

bool PortAccess::CanReadWrite(const QString& /*device*/) {
    return true;
}

}  // namespace ymodem
