#pragma once

#include "PortFactory.h"

namespace ymodem {

// Ports and timers on the Qt event loop: QSerialPort with this system's naming, precise
// QTimers.
class QtPortFactory final : public PortFactory {
public:
    std::unique_ptr<SerialControl> MakeSerialControl() override;
    std::unique_ptr<WakeTimer> MakeWakeTimer() override;
};

}  // namespace ymodem
