#pragma once

#include "FileNaming.h"

namespace ymodem {

// The separator of the system's paths: "\" on Windows, "/" elsewhere.
char SystemPathSeparator();

// Block 0's naming as this system writes paths and text, for the window and ymodem-send.
FileNaming SystemFileNaming();

}  // namespace ymodem
