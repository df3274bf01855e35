#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CommError.h"
#include "SerialControl.h"

namespace ymodem {

// Ports named by the test: any non-empty list text is a port, opened under its own name.
struct FakePortNaming final : PortNaming {
    std::vector<std::string> Names;

    std::string DefaultName() const override { return {}; }
    std::vector<std::string> Candidates() const override { return Names; }
    std::string NameFromListText(const std::string& text) const override {
        if (text.empty()) throw CommError(CommError::kInvalidPropertyValue);
        return text;
    }
    std::string DeviceFor(const std::string& name) const override { return name; }
};

// A device in memory: it takes every write at once, so nothing ever waits to be sent. It
// sends and goes away when the test says so; both stand for the event loop delivering what
// happened, and nothing happens while closed, as a real port would never see it.
struct FakeSerialBackend final : SerialBackend {
    std::map<std::string, int> OpenFailures;        // device: the CommError number opening throws
    std::map<std::string, int> OpenAttempts;        // device: opens tried, failed ones too
    std::vector<std::vector<std::uint8_t>> Frames;  // one entry a write
    bool Opened = false;

    void DeviceSends(std::span<const std::uint8_t> bytes, ArrivalTime arrived) {
        if (Opened) ReportReceived(bytes, arrived);
    }
    void DeviceGoesAway() {
        if (Opened) ReportLost();
    }

    void Open(const std::string& device, const LineSettings&) override {
        ++OpenAttempts[device];
        if (OpenFailures.contains(device)) throw CommError(OpenFailures[device], device);
        Opened = true;
    }
    void Close() override { Opened = false; }
    bool IsOpen() const override { return Opened; }
    void Apply(const LineSettings&) override {}
    void Write(std::span<const std::uint8_t> bytes) override {
        Frames.emplace_back(bytes.begin(), bytes.end());
    }
    void DiscardInput() override {}
    void DiscardOutput() override {}
    std::size_t Unsent() const override { return 0; }
    bool WaitForOutput(std::chrono::milliseconds) override { return true; }
};

// The owned parts come first, so that the control can take them over.
struct FakeSerialParts {
    std::unique_ptr<FakePortNaming> OwnedNaming = std::make_unique<FakePortNaming>();
    std::unique_ptr<FakeSerialBackend> OwnedBackend = std::make_unique<FakeSerialBackend>();
    FakePortNaming& Naming = *OwnedNaming;
    FakeSerialBackend& Device = *OwnedBackend;
};

// The serial control over an in-memory device, for the tests of the window and the
// headless sender. Scripting: SetCandidates() for the port scan, FailOpen() to make opening
// a given port throw, InjectInput() for bytes from the device, LosePort() for a device that
// goes away; the last two report to the listener before they return. Frames() holds what
// Output() sent while the port was open.
class FakeSerialControl final : private FakeSerialParts, public SerialControl {
public:
    FakeSerialControl() : SerialControl(std::move(OwnedNaming), std::move(OwnedBackend)) {}

    void SetCandidates(const std::vector<std::string>& names) { Naming.Names = names; }
    void FailOpen(const std::string& name, int number) { Device.OpenFailures[name] = number; }
    void AllowOpen(const std::string& name) { Device.OpenFailures.erase(name); }
    int OpenAttempts(const std::string& name) const {
        return Device.OpenAttempts.contains(name) ? Device.OpenAttempts.at(name) : 0;
    }
    // Bytes of unknown arrival count as arriving when they are handed out.
    void InjectInput(std::span<const std::uint8_t> bytes, ArrivalTime arrived = kArrivalUnknown) {
        Device.DeviceSends(bytes, arrived);
    }
    void LosePort() { Device.DeviceGoesAway(); }
    const std::vector<std::vector<std::uint8_t>>& Frames() const { return Device.Frames; }
};

}  // namespace ymodem
