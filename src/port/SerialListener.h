#pragma once

namespace ymodem {

// The one party a serial control reports to. Both calls come from the event loop, never
// from inside one of the control's own operations, so the listener may use the control.
class SerialListener {
public:
    virtual ~SerialListener() = default;

    // Bytes arrived (see SerialControl::SetRThreshold); CommEvent() reads kEventReceive.
    virtual void OnComm() = 0;
    // The open port died (device unplugged, other side of a pty closed). The control has
    // closed itself before this comes, and it comes once per loss.
    virtual void OnPortLost() = 0;
};

}  // namespace ymodem
