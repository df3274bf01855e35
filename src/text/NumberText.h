#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ymodem {

// The decimal number a text begins with: leading blanks skipped, an optional sign,
// digits, an optional decimal point and fraction. 0 when the text does not begin
// with a number.
double LeadingNumber(std::string_view text);

// Rounds to the nearest integer, a half to the even neighbour; nothing when the
// result lies outside the signed 16-bit range.
std::optional<std::int16_t> RoundToInt16(double value);

}  // namespace ymodem
