#include "SystemFileNaming.h"

namespace ymodem {

char SystemPathSeparator() {
    return '/';
}

}  // namespace ymodem
