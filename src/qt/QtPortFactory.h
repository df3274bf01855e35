#pragma once

#include <QSocketNotifier>
#include <QTimer>

#include <memory>

#include "DevicePortNaming.h"
#include "PortArrivals_posix.h"
#include "PortFactory.h"
#include "TimerQueue.h"

namespace ymodem {

// Ports and timers on the Qt event loop: QSerialPort with this system's naming, the
// wake-up timers of every port on one precise QTimer, and the news of ports waited for from
// one descriptor.
class QtPortFactory final : public PortFactory {
public:
    QtPortFactory();

    std::unique_ptr<SerialControl> MakeSerialControl() override;
    std::unique_ptr<WakeTimer> MakeWakeTimer() override;
    bool PortMayBePresent(const std::string& port) const override;
    std::unique_ptr<PortWatch> WatchForPort(const std::string& port,
                                            std::function<void()> changed) override;

private:
    QTimer timer_;
    TimerQueue queue_;
    // Only asked whether a name may be there, which needs no list of the system's ports.
    DevicePortNaming naming_{DevicePortNaming::DefaultPortsFolder(),
                             [] { return std::vector<DevicePortNaming::SystemPort>{}; }};
    PortArrivals arrivals_;
    std::unique_ptr<QSocketNotifier> arrivalNotifier_;
};

}  // namespace ymodem
