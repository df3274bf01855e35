#pragma once

#include <QSerialPort>

namespace ymodem {

// The CommError number for QSerialPort's failure to open a device. deviceAccessible
// tells whether we may read and write the device node: QSerialPort reports a port
// held by another program (its lock file, or the exclusive open) and a missing
// permission both as PermissionError.
int QtOpenErrorNumber(QSerialPort::SerialPortError error, bool deviceAccessible);

}  // namespace ymodem
