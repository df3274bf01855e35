#pragma once

#include <QString>

namespace ymodem {

// What the operating system tells about a device node beyond what QSerialPort says.
class PortAccess {
public:
    // Whether we may open the device for reading and writing. QSerialPort reports a
    // missing permission and a port held by another program alike; this tells them
    // apart. Windows has no such distinction, so there every device counts as ours.
    static bool CanReadWrite(const QString& device);
};

}  // namespace ymodem
