#include "Win32OpenErrorNumber.h"

#include "CommError.h"

namespace ymodem {

namespace {

// The Windows error numbers, as winerror.h has them.
constexpr unsigned long kFileNotFound = 2;
constexpr unsigned long kPathNotFound = 3;
constexpr unsigned long kAccessDenied = 5;
constexpr unsigned long kSharingViolation = 32;
constexpr unsigned long kLockViolation = 33;
constexpr unsigned long kInvalidName = 123;

}  // namespace

int Win32OpenErrorNumber(unsigned long systemError) {
    switch (systemError) {
        case kAccessDenied:
        case kSharingViolation:
        case kLockViolation:
            return CommError::kPortAlreadyOpen;
        case kFileNotFound:
        case kPathNotFound:
        case kInvalidName:
            return CommError::kDeviceUnavailable;
        default:
            return CommError::kHardwareUnavailable;
    }
}

}  // namespace ymodem
