#pragma once

#include <memory>

#include <QSerialPort>

#include "LineSettings.h"
#include "PortNaming.h"
#include "SerialControl.h"

namespace ymodem {

// The serial control over QSerialPort. It lives on the thread of its creator and never
// blocks: writes are queued and sent by the event loop, and what it reports is raised
// from the event loop.
class QtSerialControl final : public SerialControl {
public:
    // The naming of this system: its serial ports and the user's ports folder.
    QtSerialControl();
    explicit QtSerialControl(std::unique_ptr<PortNaming> naming);
    ~QtSerialControl() override;
    QtSerialControl(const QtSerialControl&) = delete;
    QtSerialControl& operator=(const QtSerialControl&) = delete;

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
    std::size_t OutBufferCount() const override;
    int CommEvent() const override;

private:
    void Open();
    void Close();
    bool Apply(const LineSettings& settings);
    std::string ErrorText() const;
    void HandleReadyRead();
    void HandleError(QSerialPort::SerialPortError error);
    void HandleLoss();

    std::unique_ptr<PortNaming> naming_;
    std::unique_ptr<QSerialPort> port_;
    std::string name_;
    LineSettings settings_;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int commEvent_ = 0;
    bool closing_ = false;
    bool lossPending_ = false;
};

}  // namespace ymodem
