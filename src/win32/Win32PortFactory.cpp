#include "Win32PortFactory.h"

#include "Win32SerialControl.h"

namespace ymodem {

std::unique_ptr<SerialControl> Win32PortFactory::MakeSerialControl() {
    return std::make_unique<Win32SerialControl>(loop_);
}

std::unique_ptr<WakeTimer> Win32PortFactory::MakeWakeTimer() {
    return loop_.Timers().MakeTimer();
}

}  // namespace ymodem
