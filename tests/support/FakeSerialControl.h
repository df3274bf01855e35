#pragma once

#include <map>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "SerialControl.h"

namespace ymodem {

// An in-memory serial control for the tests of the window and the headless sender.
//
// Scripting: SetCandidates() for the port scan, FailOpen() to make opening a given
// port throw, InjectInput() for bytes from the device, LosePort() for a device that
// goes away. Both of the last stand for the event loop delivering what happened, so they
// report to the listener before they return.
//
// Record: Operations() lists every operation called, in order, including those that
// threw: "CommPort=COM12", "Settings=115200,N,8,1", "PortOpen=true",
// "InBufferSize=1024", "OutBufferSize=512", "InBufferCount=0", "OutBufferCount=0",
// "SThreshold=0", "RThreshold=1", "InputLen=0", "InputMode=1", "Output:<n bytes>",
// "Input:<n bytes>". Values appear as they were passed. Frames() holds what Output()
// sent while the port was open.
//
// It checks its arguments with QtSerialControl's own checks, but takes any non-empty
// list text as the port name. Output while open reaches the device at once; nothing
// ever waits to be sent.
class FakeSerialControl final : public SerialControl {
public:
    void SetCandidates(const std::vector<std::string>& names);
    // Opening the port named name throws CommError(number).
    void FailOpen(const std::string& name, int number);
    void AllowOpen(const std::string& name) { openFailures_.erase(name); }
    // Bytes arriving from the device; reports OnComm (RThreshold permitting). Dropped
    // while the port is closed, as a real port would never see them.
    void InjectInput(std::span<const std::uint8_t> bytes);
    // The device goes away: closes the port and reports OnPortLost. Nothing while closed.
    void LosePort();

    const std::vector<std::string>& Operations() const { return operations_; }
    const std::vector<std::vector<std::uint8_t>>& Frames() const { return frames_; }
    void ClearRecord();

    std::vector<std::string> PortCandidates() const override;
    void SetCommPort(const std::string& listText) override;
    std::string CommPortName() const override;
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override;
    void SetPortOpen(bool open) override;
    bool PortOpen() const override;

    void SetInBufferSize(int size) override;
    void SetOutBufferSize(int size) override;
    void SetInBufferCount(int count) override;
    void SetOutBufferCount(int count) override;
    void SetSThreshold(int threshold) override;
    void SetRThreshold(int threshold) override;
    void SetInputLen(int length) override;
    void SetInputMode(int mode) override;

    void Output(std::span<const std::uint8_t> frame) override;
    std::vector<std::uint8_t> Input() override;
    bool WaitForOutput(int timeoutMs) override;
    int CommEvent() const override;

private:
    void Record(const std::string& operation);
    void RecordValue(const char* property, int value);

    std::vector<std::string> candidates_;
    std::map<std::string, int> openFailures_;
    std::vector<std::string> operations_;
    std::vector<std::vector<std::uint8_t>> frames_;
    std::vector<std::uint8_t> input_;
    std::string name_;
    LineSettings settings_;
    bool open_ = false;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int commEvent_ = 0;
};

}  // namespace ymodem
