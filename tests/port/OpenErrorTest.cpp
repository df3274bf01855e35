#include <gtest/gtest.h>

#include "OpenErrorNumber.h"

namespace ymodem {
namespace {

struct OpenFailure {
    QSerialPort::SerialPortError error;
    bool deviceAccessible;
    int number;
};

class PortOpenErrorNumber : public testing::TestWithParam<OpenFailure> {};

TEST_P(PortOpenErrorNumber, Maps) {
    EXPECT_EQ(OpenErrorNumber(GetParam().error, GetParam().deviceAccessible), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(QSerialPortErrors, PortOpenErrorNumber,
                         testing::Values(OpenFailure{QSerialPort::DeviceNotFoundError, true, 68},
                                         OpenFailure{QSerialPort::DeviceNotFoundError, false, 68},
                                         // A lock file or exclusive open of another program:
                                         OpenFailure{QSerialPort::PermissionError, true, 8005},
                                         // A user outside the dialout group:
                                         OpenFailure{QSerialPort::PermissionError, false, 70},
                                         OpenFailure{QSerialPort::OpenError, true, 8005},
                                         OpenFailure{QSerialPort::UnsupportedOperationError, true,
                                                     8010},
                                         OpenFailure{QSerialPort::ResourceError, true, 8010},
                                         OpenFailure{QSerialPort::UnknownError, true, 8010}));

}  // namespace
}  // namespace ymodem
