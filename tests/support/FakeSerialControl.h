#pragma once

#include <map>

#include "LineSettings.h"
#include "SerialControl.h"

namespace ymodem {

// An in-memory serial control for the tests of the window and the headless sender.
//
// Scripting: SetCandidates() for the port scan, FailOpen() to make opening a given
// port throw, InjectInput() for bytes from the device, LosePort() for a device that
// goes away.
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
    Q_OBJECT

public:
    using SerialControl::SerialControl;

    void SetCandidates(const QStringList& names);
    // Opening the port named name throws CommError(number).
    void FailOpen(const QString& name, int number);
    // Bytes arriving from the device; raises OnComm at once (RThreshold permitting).
    // Dropped while the port is closed, as a real port would never see them.
    void InjectInput(std::span<const std::uint8_t> bytes);
    // The device goes away: closes the port and raises PortLost before returning
    // (QtSerialControl raises it from the event loop). Nothing while closed.
    void LosePort();

    const QStringList& Operations() const { return operations_; }
    const std::vector<std::vector<std::uint8_t>>& Frames() const { return frames_; }
    void ClearRecord();

    QStringList PortCandidates() const override;
    void SetCommPort(const QString& listText) override;
    QString CommPortName() const override;
    void SetSettings(const QString& settings) override;
    QString Settings() const override;
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
    void Record(const QString& operation);
    void RecordValue(const char* property, int value);

    QStringList candidates_;
    std::map<QString, int> openFailures_;
    QStringList operations_;
    std::vector<std::vector<std::uint8_t>> frames_;
    std::vector<std::uint8_t> input_;
    QString name_;
    LineSettings settings_;
    bool open_ = false;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int commEvent_ = 0;
};

}  // namespace ymodem
