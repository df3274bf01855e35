#include "Win32PortFactory.h"

#include "Win32SerialControl.h"
#include "Win32WakeTimer.h"

namespace ymodem {

std::unique_ptr<SerialControl> Win32PortFactory::MakeSerialControl() {
    return std::make_unique<Win32SerialControl>(loop_);
}

std::unique_ptr<WakeTimer> Win32PortFactory::MakeWakeTimer() {
    return std::make_unique<Win32WakeTimer>(loop_);
}

}  // namespace ymodem
