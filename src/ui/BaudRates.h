#pragma once

#include <array>
#include <string_view>

namespace ymodem {

// The baud list's entries, in the order the stored entry number counts them.
inline constexpr std::array<std::string_view, 5> kBaudRates{"9600", "19200", "38400", "57600",
                                                            "115200"};

}  // namespace ymodem
