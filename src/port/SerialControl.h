#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "PortNaming.h"
#include "SerialBackend.h"
#include "SerialLink.h"
#include "SerialListener.h"

namespace ymodem {

// The serial control the window, the headless sender and their tests work with, one for
// every system: the system's part is the backend under it. Its operations keep the names and
// meaning of the old Windows serial control's properties, and each property reads back what
// was set. Texts are UTF-8. Failing operations throw CommError (see CommError.h for the
// numbers). What happens on the line reaches one listener, see SerialListener.
class SerialControl : public SerialLink, private SerialBackendSink {
public:
    // The only CommEvent() code raised: bytes were received.
    static constexpr int kEventReceive = kCommEventReceive;

    // The port starts as naming's default, the line at "9600,N,8,1".
    SerialControl(std::unique_ptr<PortNaming> naming, std::unique_ptr<SerialBackend> backend);
    ~SerialControl() override;
    SerialControl(const SerialControl&) = delete;
    SerialControl& operator=(const SerialControl&) = delete;

    // Null stops the reports.
    void SetListener(SerialListener* listener) { listener_ = listener; }

    // The names to try in a port scan, in order.
    std::vector<std::string> PortCandidates() const;

    // Chooses the port from a list text; only while closed (8005 otherwise).
    void SetCommPort(const std::string& listText);
    std::string CommPortName() const { return name_; }

    // "BAUD,P,D,S", e.g. "115200,N,8,1". An unreadable text throws 380, settings the open
    // device refuses 8010; both keep the settings as they were.
    void SetSettings(const std::string& settings);
    std::string Settings() const { return settings_.Text(); }

    // Opening an open port throws 8005; closing a closed one does nothing. Closing drops
    // the input not yet read and the output not yet sent.
    void SetPortOpen(bool open);
    bool PortOpen() const override;

    // Sizes, thresholds and modes may be set while open or closed; negative values throw
    // 380. The buffers grow as needed, so nothing received is ever dropped for want of
    // room: the sizes are only kept.
    void SetInBufferSize(int size);
    int InBufferSize() const { return inBufferSize_; }
    void SetOutBufferSize(int size);
    int OutBufferSize() const { return outBufferSize_; }
    // Only 0 is accepted: it discards the input not yet read. Bytes arriving later are kept.
    void SetInBufferCount(int count);
    // The received bytes waiting for Input().
    std::size_t InBufferCount() const { return input_.size(); }
    // Only 0 is accepted: it discards the output not yet sent.
    void SetOutBufferCount(int count) override;
    std::size_t OutBufferCount() const override;
    // No send events are raised, so the send threshold steers nothing.
    void SetSThreshold(int threshold);
    int SThreshold() const { return sThreshold_; }
    // n > 0 reports OnComm whenever bytes arrive and n or more are waiting; 0 reports
    // nothing.
    void SetRThreshold(int threshold);
    int RThreshold() const { return rThreshold_; }
    // The most bytes one Input() takes; 0 takes all that wait.
    void SetInputLen(int length);
    int InputLen() const { return inputLen_; }
    // 0 text, 1 binary. Input() gives bytes in both.
    void SetInputMode(int mode);
    int InputMode() const { return inputMode_; }

    // Queues the bytes for sending; nothing while closed.
    void Output(std::span<const std::uint8_t> frame) override;
    // The waiting received bytes, removed from the buffer; none while closed.
    std::vector<std::uint8_t> Input();
    // When the newest of the bytes the last Input() took arrived; none when it took none or
    // the backend could not tell.
    std::optional<ArrivalTime> InputArrived() const { return inputArrived_; }
    // Waits, at most timeoutMs, until everything written has left the program for the
    // device; gives whether it has. Closing the port drops what has not.
    bool WaitForOutput(int timeoutMs);
    // The code of the last event raised (kEventReceive), 0 before any.
    int CommEvent() const { return commEvent_; }

private:
    // Received bytes of one arrival, as many as still wait in input_.
    struct Arrival {
        std::size_t count;
        ArrivalTime time;
    };

    void Open();
    void Close();
    void DropInput();
    void SetLine(const LineSettings& settings);
    std::optional<ArrivalTime> TakeArrivals(std::size_t count);
    void RaiseReceiveEvent();

    void OnReceived(std::span<const std::uint8_t> bytes, ArrivalTime arrived) override;
    void OnLost() override;

    std::unique_ptr<PortNaming> naming_;
    std::unique_ptr<SerialBackend> backend_;
    SerialListener* listener_ = nullptr;
    std::string name_;
    LineSettings settings_;
    int inBufferSize_ = 1024;
    int outBufferSize_ = 512;
    int sThreshold_ = 0;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int inputMode_ = 0;
    int commEvent_ = 0;
    std::deque<std::uint8_t> input_;
    std::deque<Arrival> arrivals_;
    std::optional<ArrivalTime> inputArrived_;
};

}  // namespace ymodem
