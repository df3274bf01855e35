#include <unistd.h>

#include "Terminal.h"

namespace ymodem {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

}  // namespace ymodem
