#pragma once

#include <cstdio>

namespace ymodem {

// Whether a stream is an interactive terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace ymodem
