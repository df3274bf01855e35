#include <io.h>

#include "Terminal.h"

namespace ymodem {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

}  // namespace ymodem
