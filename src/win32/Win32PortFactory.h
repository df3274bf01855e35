#pragma once

#include "PortFactory.h"
#include "Win32EventLoop.h"

namespace ymodem {

// Ports and timers on the Win32 event loop: the comm API's COM ports on its completion port,
// and its timer queue.
class Win32PortFactory final : public PortFactory {
public:
    explicit Win32PortFactory(Win32EventLoop& loop) : loop_(loop) {}

    std::unique_ptr<SerialControl> MakeSerialControl() override;
    std::unique_ptr<WakeTimer> MakeWakeTimer() override;
    bool PortMayBePresent(const std::string& port) const override;

private:
    Win32EventLoop& loop_;
};

}  // namespace ymodem
