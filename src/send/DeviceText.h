#pragma once

#include <string>
#include <string_view>

namespace ymodem {

// The text, each byte sequence that is no UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// A line the device printed, as it is shown and recorded: valid UTF-8, control characters
// left out, cut to at most 200 bytes between two characters.
std::string DeviceLineText(std::string_view line);

}  // namespace ymodem
