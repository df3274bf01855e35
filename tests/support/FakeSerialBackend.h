#pragma once

#include <map>
#include <string>
#include <vector>

#include "SerialBackend.h"

namespace ymodem {

// A device in memory: it takes every write at once, so nothing ever waits to be sent, and
// it sends and goes away when the test says so.
class FakeSerialBackend final : public SerialBackend {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Opening the device throws CommError(number).
    void FailOpen(const std::string& device, int number) { openFailures_[device] = number; }
    void AllowOpen(const std::string& device) { openFailures_.erase(device); }
    // Both stand for the event loop delivering what happened; nothing while closed, as a
    // real port would never see it.
    void DeviceSends(std::span<const std::uint8_t> bytes, ArrivalTime arrived);
    void DeviceGoesAway();

    // Opens tried on the device, failed ones too.
    int OpenAttempts(const std::string& device) const;
    // What reached the device, one entry a write.
    const std::vector<Bytes>& Frames() const { return frames_; }
    void ClearFrames() { frames_.clear(); }

    void Open(const std::string& device, const LineSettings& settings) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void Apply(const LineSettings&) override {}
    void Write(std::span<const std::uint8_t> bytes) override;
    void DiscardInput() override {}
    void DiscardOutput() override {}
    std::size_t Unsent() const override { return 0; }
    bool WaitForOutput(std::chrono::milliseconds) override { return true; }

private:
    std::map<std::string, int> openFailures_;
    std::map<std::string, int> openAttempts_;
    std::vector<Bytes> frames_;
    bool open_ = false;
};

}  // namespace ymodem
