#pragma once

#include <memory>

#include <QSerialPort>

#include "LineSettings.h"
#include "PortNaming.h"
#include "SerialControl.h"

namespace ymodem {

// The serial control over QSerialPort. It lives on the thread of its creator and
// never blocks: writes are queued and sent by the event loop.
class QtSerialControl final : public SerialControl {
    Q_OBJECT

public:
    explicit QtSerialControl(QObject* parent = nullptr);
    explicit QtSerialControl(std::unique_ptr<PortNaming> naming, QObject* parent = nullptr);
    ~QtSerialControl() override;

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
    void Open();
    void Close();
    bool Apply(const LineSettings& settings);
    void HandleReadyRead();
    void HandleError(QSerialPort::SerialPortError error);

    std::unique_ptr<PortNaming> naming_;
    QSerialPort* port_;  // a child of this control
    QString name_;
    LineSettings settings_;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int commEvent_ = 0;
    bool closing_ = false;
};

}  // namespace ymodem
