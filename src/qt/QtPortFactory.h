#pragma once

#include <QTimer>

#include "DevicePortNaming.h"
#include "PortFactory.h"
#include "TimerQueue.h"

namespace ymodem {

// Ports and timers on the Qt event loop: QSerialPort with this system's naming, and the
// wake-up timers of every port on one precise QTimer.
class QtPortFactory final : public PortFactory {
public:
    QtPortFactory();

    std::unique_ptr<SerialControl> MakeSerialControl() override;
    std::unique_ptr<WakeTimer> MakeWakeTimer() override;
    bool PortMayBePresent(const std::string& port) const override;

private:
    QTimer timer_;
    TimerQueue queue_;
    // Only asked whether a name may be there, which needs no list of the system's ports.
    DevicePortNaming naming_{DevicePortNaming::DefaultPortsFolder(),
                             [] { return std::vector<DevicePortNaming::SystemPort>{}; }};
};

}  // namespace ymodem
