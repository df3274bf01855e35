#pragma once

#include "DevicePortNaming.h"
#include "PortFactory.h"

namespace ymodem {

// Ports and timers on the Qt event loop: QSerialPort with this system's naming, precise
// QTimers.
class QtPortFactory final : public PortFactory {
public:
    std::unique_ptr<SerialControl> MakeSerialControl() override;
    std::unique_ptr<WakeTimer> MakeWakeTimer() override;
    bool PortMayBePresent(const std::string& port) const override;

private:
    // Only asked whether a name may be there, which needs no list of the system's ports.
    DevicePortNaming naming_{DevicePortNaming::DefaultPortsFolder(),
                             [] { return std::vector<DevicePortNaming::SystemPort>{}; }};
};

}  // namespace ymodem
