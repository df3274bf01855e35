#pragma once

#include <string>
#include <string_view>

namespace ymodem {

// A path as the system writes it: on Windows every "/" becomes "\", elsewhere it stays as
// it is. Qt's file dialog and many scripts write "/" on Windows too, while the file name in
// block 0 is what follows the last "\" there and the settings keep backslash paths, so
// paths are converted where they enter: the file dialog and the command line.
std::string ToNativeSeparators(std::string_view path);

}  // namespace ymodem
