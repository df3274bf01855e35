#pragma once

#include <string>

namespace ymodem {

// What the operating system tells about a device node beyond what the serial driver says.
class PortAccess {
public:
    // Whether we may open the device (UTF-8 path) for reading and writing. A serial
    // driver may report a missing permission and a port held by another program alike;
    // this tells them apart.
    static bool CanReadWrite(const std::string& device);
};

}  // namespace ymodem
