#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ymodem {

// Turns UTF-8 text into the system's 8-bit text (the bytes block 0 carries).
using TextEncoder = std::function<std::string(std::string_view utf8)>;

}  // namespace ymodem
