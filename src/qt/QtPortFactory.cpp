#include "QtPortFactory.h"

#include "QtSerialBackend.h"
#include "QtWakeTimer.h"

namespace ymodem {

std::unique_ptr<SerialControl> QtPortFactory::MakeSerialControl() {
    return std::make_unique<SerialControl>(QtSerialBackend::SystemNaming(),
                                           std::make_unique<QtSerialBackend>());
}

std::unique_ptr<WakeTimer> QtPortFactory::MakeWakeTimer() {
    return std::make_unique<QtWakeTimer>();
}

}  // namespace ymodem
