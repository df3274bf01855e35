#include "SystemFileNaming.h"

#include "SystemEncoding.h"

namespace ymodem {

FileNaming SystemFileNaming() {
    return FileNaming{ToSystem8Bit, SystemPathSeparator()};
}

}  // namespace ymodem
