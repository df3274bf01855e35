#include "SerialArgumentChecks.h"

#include "CommError.h"

namespace ymodem {

void RequirePortClosed(bool portOpen) {
    if (portOpen) throw CommError(CommError::kPortAlreadyOpen);
}

LineSettings SettingsFromText(std::string_view text) {
    const auto parsed = LineSettings::Parse(text);
    if (!parsed) throw CommError(CommError::kInvalidPropertyValue, std::string(text));
    return *parsed;
}

void RequireNotNegative(int value) {
    if (value < 0) throw CommError(CommError::kInvalidPropertyValue);
}

void RequireZeroCount(int count) {
    if (count != 0) throw CommError(CommError::kInvalidPropertyValue);
}

void RequireInputMode(int mode) {
    if (mode != 0 && mode != 1) throw CommError(CommError::kInvalidPropertyValue);
}

}  // namespace ymodem
