#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FakePortNaming.h"
#include "FakeSerialBackend.h"
#include "SerialControl.h"

namespace ymodem {

// The owned parts come first, so that the control can take them over.
struct FakeSerialParts {
    std::unique_ptr<FakePortNaming> OwnedNaming = std::make_unique<FakePortNaming>();
    std::unique_ptr<FakeSerialBackend> OwnedBackend = std::make_unique<FakeSerialBackend>();
    FakePortNaming& Naming = *OwnedNaming;
    FakeSerialBackend& Device = *OwnedBackend;
};

// The serial control over an in-memory device, for the tests of the window and the
// headless sender. Any non-empty list text names a port.
//
// Scripting: SetCandidates() for the port scan, FailOpen() to make opening a given port
// throw, InjectInput() for bytes from the device, LosePort() for a device that goes away.
// Both of the last stand for the event loop delivering what happened, so they report to the
// listener before they return. Frames() holds what Output() sent while the port was open.
class FakeSerialControl final : private FakeSerialParts, public SerialControl {
public:
    FakeSerialControl() : SerialControl(std::move(OwnedNaming), std::move(OwnedBackend)) {}

    void SetCandidates(const std::vector<std::string>& names) { Naming.Names = names; }
    void FailOpen(const std::string& name, int number) { Device.FailOpen(name, number); }
    void AllowOpen(const std::string& name) { Device.AllowOpen(name); }
    int OpenAttempts(const std::string& name) const { return Device.OpenAttempts(name); }
    // Bytes of unknown arrival count as arriving when they are handed out.
    void InjectInput(std::span<const std::uint8_t> bytes, ArrivalTime arrived = kArrivalUnknown) {
        Device.DeviceSends(bytes, arrived);
    }
    void LosePort() { Device.DeviceGoesAway(); }

    const std::vector<FakeSerialBackend::Bytes>& Frames() const { return Device.Frames(); }
    void ClearRecord() { Device.ClearFrames(); }
};

}  // namespace ymodem
