#include "Win32PortFactory.h"

#include "ComPortNaming.h"
#include "Win32SerialBackend.h"

namespace ymodem {

std::unique_ptr<SerialControl> Win32PortFactory::MakeSerialControl() {
    return std::make_unique<SerialControl>(std::make_unique<ComPortNaming>(),
                                           std::make_unique<Win32SerialBackend>(loop_));
}

std::unique_ptr<WakeTimer> Win32PortFactory::MakeWakeTimer() {
    return loop_.Timers().MakeTimer();
}

}  // namespace ymodem
