#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "SerialLink.h"
#include "SerialListener.h"

namespace ymodem {

// The serial control the window, the headless sender and their tests work with. Its
// operations keep the names and meaning of the old Windows serial control's properties.
// Texts are UTF-8. Failing operations throw CommError (see CommError.h for the numbers).
// What happens on the line reaches one listener, see SerialListener.
class SerialControl : public SerialLink {
public:
    // The only CommEvent() code raised: bytes were received.
    static constexpr int kEventReceive = kCommEventReceive;

    // Null stops the reports.
    void SetListener(SerialListener* listener) { listener_ = listener; }

    // The names to try in a port scan, in order.
    virtual std::vector<std::string> PortCandidates() const = 0;

    // Chooses the port from a list text; only while closed (8005 otherwise).
    virtual void SetCommPort(const std::string& listText) = 0;
    virtual std::string CommPortName() const = 0;

    // "BAUD,P,D,S", e.g. "115200,N,8,1"; default "9600,N,8,1". An unreadable text
    // throws 380 and keeps the settings as they were.
    virtual void SetSettings(const std::string& settings) = 0;
    virtual std::string Settings() const = 0;

    // Opening an open port throws 8005; closing a closed one does nothing.
    virtual void SetPortOpen(bool open) = 0;

    // Sizes, thresholds and modes may be set while closed; negative values throw 380.
    virtual void SetInBufferSize(int size) = 0;
    virtual void SetOutBufferSize(int size) = 0;
    // Only 0 is accepted: it discards the input not yet read.
    virtual void SetInBufferCount(int count) = 0;
    virtual void SetSThreshold(int threshold) = 0;
    // n > 0 reports OnComm whenever bytes arrive and n or more are waiting; 0 reports
    // nothing.
    virtual void SetRThreshold(int threshold) = 0;
    // The most bytes one Input() takes; 0 takes all that wait.
    virtual void SetInputLen(int length) = 0;
    // 0 text, 1 binary. Input() gives bytes in both.
    virtual void SetInputMode(int mode) = 0;

    // The waiting received bytes, removed from the buffer; none while closed.
    virtual std::vector<std::uint8_t> Input() = 0;
    // Waits, at most timeoutMs, until everything written has left the program for the
    // device; gives whether it has. Closing the port drops what has not.
    virtual bool WaitForOutput(int timeoutMs) = 0;
    // The code of the last event raised (kEventReceive), 0 before any.
    virtual int CommEvent() const = 0;

protected:
    void RaiseOnComm() {
        if (listener_ != nullptr) listener_->OnComm();
    }
    void RaisePortLost() {
        if (listener_ != nullptr) listener_->OnPortLost();
    }

private:
    SerialListener* listener_ = nullptr;
};

}  // namespace ymodem
