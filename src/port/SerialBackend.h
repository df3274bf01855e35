#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "LineSettings.h"

namespace ymodem {

// When the system had the bytes: a read's completion, not the moment the loop got to them.
using ArrivalTime = std::chrono::steady_clock::time_point;
// What a backend reports when it cannot tell when the bytes arrived (a test's line that
// delivers them at once): they then count as arriving when they are handed out.
inline constexpr ArrivalTime kArrivalUnknown{};

// What a backend reports to the serial control over it. Both calls come from the event
// loop's thread, never from inside one of the backend's own operations.
class SerialBackendSink {
public:
    virtual ~SerialBackendSink() = default;

    // Bytes the device sent, in order, with the time the system had them.
    virtual void OnReceived(std::span<const std::uint8_t> bytes, ArrivalTime arrived) = 0;
    // The open device went away (unplugged, the other side of a pty closed). Everything it
    // sent before has been reported; the backend reports no more for this open.
    virtual void OnLost() = 0;
};

// The narrow, per-system part of a serial control: one device, opened and closed, written
// to, and read from by the event loop. The properties, their checks and error numbers, the
// receive threshold and the order of the last bytes and a loss live in SerialControl.
class SerialBackend {
public:
    virtual ~SerialBackend() = default;

    void SetSink(SerialBackendSink* sink) { sink_ = sink; }

    // Opens the device (a system location, as PortNaming::DeviceFor gives it) with the line
    // settings, and starts reading. Throws CommError with the open-error number.
    virtual void Open(const std::string& device, const LineSettings& settings) = 0;
    // Stops reading and closes; unsent output and unreported input are dropped. Nothing
    // while closed.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Sets the line of the open device; throws CommError 8010 when the device refuses.
    virtual void Apply(const LineSettings& settings) = 0;

    // Queues the bytes for sending, never blocking the loop. A failed write is a loss.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Drops what the system holds of the input: nothing received before the call is reported
    // after it, and nothing received after it is lost.
    virtual void DiscardInput() = 0;
    // Drops what still waits to be sent.
    virtual void DiscardOutput() = 0;
    // Bytes written and not yet handed to the device; 0 when the system cannot tell.
    virtual std::size_t Unsent() const = 0;
    // Waits, at most the timeout, until everything written has left for the device; gives
    // whether it has.
    virtual bool WaitForOutput(std::chrono::milliseconds timeout) = 0;

protected:
    void ReportReceived(std::span<const std::uint8_t> bytes, ArrivalTime arrived) {
        if (sink_ != nullptr) sink_->OnReceived(bytes, arrived);
    }
    void ReportLost() {
        if (sink_ != nullptr) sink_->OnLost();
    }

private:
    SerialBackendSink* sink_ = nullptr;
};

}  // namespace ymodem
