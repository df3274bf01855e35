#include "QtPortFactory.h"

#include "QtSerialControl.h"
#include "QtWakeTimer.h"

namespace ymodem {

std::unique_ptr<SerialControl> QtPortFactory::MakeSerialControl() {
    return std::make_unique<QtSerialControl>();
}

std::unique_ptr<WakeTimer> QtPortFactory::MakeWakeTimer() {
    return std::make_unique<QtWakeTimer>();
}

bool QtPortFactory::PortMayBePresent(const std::string& port) const {
    return naming_.MayBePresent(port);
}

}  // namespace ymodem
