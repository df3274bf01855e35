#include "QtOpenErrorNumber.h"

#include "CommError.h"

namespace ymodem {

int QtOpenErrorNumber(QSerialPort::SerialPortError error, bool deviceAccessible) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return CommError::kDeviceUnavailable;
        case QSerialPort::PermissionError:
            return deviceAccessible ? CommError::kPortAlreadyOpen : CommError::kPermissionDenied;
        case QSerialPort::OpenError:
            return CommError::kPortAlreadyOpen;
        default:
            return CommError::kHardwareUnavailable;
    }
}

}  // namespace ymodem
