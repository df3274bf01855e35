#include <gtest/gtest.h>

#include "CommError.h"
#include "OpenErrorNumber.h"

namespace ymodem {
namespace {

// The other numbers come from real opens in the pty and naming tests; a refused
// permission cannot be had there, as the tests may run with every right.
TEST(PortOpenErrorNumber, RefusedPermissionIsAnotherHolderOnlyWhenTheNodeIsOpenToUs) {
    // A lock file or another program's exclusive open:
    EXPECT_EQ(OpenErrorNumber(QSerialPort::PermissionError, true), CommError::kPortAlreadyOpen);
    // A user outside the dialout group:
    EXPECT_EQ(OpenErrorNumber(QSerialPort::PermissionError, false), CommError::kPermissionDenied);
}

}  // namespace
}  // namespace ymodem
