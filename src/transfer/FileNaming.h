#pragma once

#include "TextEncoder.h"

namespace ymodem {

// How block 0 names a burn file: the path's last component, after the system's separator,
// turned into the system's 8-bit text. The caller gives both, so the engine itself knows no
// platform.
struct FileNaming {
    TextEncoder Encode;
    char PathSeparator = '/';
};

}  // namespace ymodem
