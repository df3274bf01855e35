#include "DevicePortNaming.h"
#include "PortNaming.h"

namespace ymodem {

std::unique_ptr<PortNaming> PortNaming::ForThisSystem() {
    return std::make_unique<DevicePortNaming>(DevicePortNaming::DefaultPortsFolder(),
                                              &DevicePortNaming::AvailableSystemPorts);
}

}  // namespace ymodem
