#pragma once

#include <deque>
#include <memory>

#include <QByteArray>
#include <QSerialPort>

#include "PortNaming.h"
#include "SerialBackend.h"

namespace ymodem {

// QSerialPort under the serial control. It lives on the thread of its creator and never
// blocks but in WaitForOutput: writes are queued and sent by the event loop, and what it
// reports is reported from the event loop.
class QtSerialBackend final : public SerialBackend {
public:
    // The naming of this system: the serial ports QSerialPortInfo knows and the user's ports
    // folder.
    static std::unique_ptr<PortNaming> SystemNaming();

    QtSerialBackend();
    ~QtSerialBackend() override;
    QtSerialBackend(const QtSerialBackend&) = delete;
    QtSerialBackend& operator=(const QtSerialBackend&) = delete;

    void Open(const std::string& device, const LineSettings& settings) override;
    void Close() override;
    bool IsOpen() const override;
    void Apply(const LineSettings& settings) override;

    void Write(std::span<const std::uint8_t> bytes) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    std::size_t Unsent() const override;
    bool WaitForOutput(std::chrono::milliseconds timeout) override;

private:
    struct Chunk {
        QByteArray bytes;
        ArrivalTime arrived;
    };

    bool SetLine(const LineSettings& settings);
    std::string ErrorText() const;
    void HandleReadyRead();
    void ReportPending();
    void HandleError(QSerialPort::SerialPortError error);
    void HandleLoss();

    std::unique_ptr<QSerialPort> port_;
    // Read and not yet reported: bytes read while one of our own calls runs wait for the loop.
    std::deque<Chunk> pending_;
    bool inOwnCall_ = false;
    bool closing_ = false;
    bool lossPending_ = false;
};

}  // namespace ymodem
