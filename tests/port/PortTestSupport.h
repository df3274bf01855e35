#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CommError.h"
#include "DevicePortNaming.h"

namespace ymodem {

// The CommError number the operation throws, 0 when it throws nothing.
inline int ErrorNumberOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const CommError& error) {
        return error.Number();
    }
    return 0;
}

// Device naming that knows only the given ports, never the host's.
inline std::unique_ptr<PortNaming> NamingWith(
    const std::string& portsFolder = {}, std::vector<DevicePortNaming::SystemPort> systemPorts = {},
    std::string devicesFolder = "/dev") {
    return std::make_unique<DevicePortNaming>(
        portsFolder, [systemPorts] { return systemPorts; }, devicesFolder);
}

}  // namespace ymodem
