#pragma once

#include <optional>
#include <string>
#include <string_view>

// The port names of Windows: "COM" and a number in plain decimal. Texts are UTF-8.
namespace ymodem {

// A port scan tries COM1 to this one.
inline constexpr int kComScanCount = 16;

std::string ComPortName(int number);

// The number a port list text stands for: the text from its 4th character on, read as a
// decimal number (its first three characters are taken to be "COM", whatever they are)
// and rounded, a half to the even neighbour. Nothing for a text of fewer than three
// characters or a number outside the signed 16-bit range.
std::optional<int> ComPortNumberFromListText(std::string_view listText);

// Whether a name made by ComPortName names a port that can be opened: COM1 to COM255
// (the number is again read from the 4th character on).
bool IsOpenableComPortName(std::string_view name);

}  // namespace ymodem
