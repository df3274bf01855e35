#pragma once

#include <functional>
#include <memory>
#include <string>

#include "PortWatch.h"
#include "SerialControl.h"
#include "WakeTimer.h"

namespace ymodem {

// Where the sender gets what each port needs from the program's event loop: a serial
// control of its own and one-shot timers. Each program's main supplies the kind its loop
// runs (Qt's on Linux, the system's own in a native Windows program).
class PortFactory {
public:
    virtual ~PortFactory() = default;

    virtual std::unique_ptr<SerialControl> MakeSerialControl() = 0;
    virtual std::unique_ptr<WakeTimer> MakeWakeTimer() = 0;
    // Whether the port may be there now, told cheaply and without an open: a port waited
    // for is opened only then. Where that cannot be told, every look is an open.
    virtual bool PortMayBePresent(const std::string& /*port*/) const { return true; }
    // News of a change where the port would appear, where the system gives it: `changed`
    // runs on the loop's thread after each, until the watch is dropped. Null where the
    // system cannot tell, and the port is looked for on the beat alone.
    virtual std::unique_ptr<PortWatch> WatchForPort(const std::string& /*port*/,
                                                    std::function<void()> /*changed*/) {
        return nullptr;
    }
};

}  // namespace ymodem
