#pragma once

#include <cstdio>
#include <string_view>

// The only calls into the operating system's own file interface.
namespace ymodem {

// The line break the system's own tools write: CRLF on Windows, LF elsewhere.
std::string_view NativeLineEnd();

// Pushes the file's written bytes to the disk, so that a crash right after a rename
// cannot leave an empty settings file behind. The stream must be flushed first.
bool SyncToDisk(std::FILE* file);

}  // namespace ymodem
