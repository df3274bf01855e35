#pragma once

#include <string_view>

#include "LineSettings.h"

namespace ymodem {

// The argument checks of the serial control's properties, with the numbers it refuses
// values with.

// 8005 while the port is open: the port may not change, nor be opened again.
void RequirePortClosed(bool portOpen);
// The settings the text stands for; 380 when it is no settings text.
LineSettings SettingsFromText(std::string_view text);
// 380 for a negative size, threshold or length.
void RequireNotNegative(int value);
// 380 for a buffer count other than 0, the only one that can be set.
void RequireZeroCount(int count);
// 380 for an input mode other than 0 (text) or 1 (binary).
void RequireInputMode(int mode);

}  // namespace ymodem
