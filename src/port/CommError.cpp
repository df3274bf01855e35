#include "CommError.h"

namespace ymodem {

namespace {

std::string StandardText(int number) {
    switch (number) {
        case CommError::kDeviceUnavailable:
            return "Device unavailable";
        case CommError::kPermissionDenied:
            return "Permission denied";
        case CommError::kInvalidPropertyValue:
            return "Invalid property value";
        case CommError::kInvalidPortNumber:
            return "Invalid port number";
        case CommError::kPortAlreadyOpen:
            return "Port already open";
        case CommError::kHardwareUnavailable:
            return "The hardware is not available";
        default:
            return "Serial port error " + std::to_string(number);
    }
}

std::string Message(int number, const std::string& detail) {
    std::string text = StandardText(number);
    if (!detail.empty()) text += " (" + detail + ")";
    return text;
}

}  // namespace

CommError::CommError(int number, const std::string& detail)
    : std::runtime_error(Message(number, detail)), number_(number) {}

}  // namespace ymodem
