#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "LineSettings.h"
#include "PortNaming.h"
#include "SerialControl.h"
#include "Win32EventLoop.h"

namespace ymodem {

// The serial control over the Windows communications API. A reader thread keeps one
// overlapped read pending (with a 1 ms interval timeout it completes about 1 ms after the
// bytes arrive; WaitCommEvent is useless under wine) and hands the bytes to the event
// loop's thread through an event; only that thread touches the control's callers. Writes
// are overlapped and never block the loop.
class Win32SerialControl final : public SerialControl {
public:
    // COM1 to COM16.
    explicit Win32SerialControl(Win32EventLoop& loop);
    Win32SerialControl(Win32EventLoop& loop, std::unique_ptr<PortNaming> naming);
    ~Win32SerialControl() override;
    Win32SerialControl(const Win32SerialControl&) = delete;
    Win32SerialControl& operator=(const Win32SerialControl&) = delete;

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
    struct PendingWrite;

    void Open();
    void Close();
    bool Apply(const LineSettings& settings);
    void StartReader();
    void StopReader();
    void ReadUntilStopped();
    void ReportLoss();
    void OnReceived();
    void OnLoss();
    void ReapWrites();
    void DropPendingWrites();
    std::size_t Waiting();
    unsigned Purges();

    Win32EventLoop& loop_;
    std::unique_ptr<PortNaming> naming_;
    std::string name_;
    LineSettings settings_;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int commEvent_ = 0;

    HANDLE port_ = INVALID_HANDLE_VALUE;
    HANDLE received_;  // set by the reader when bytes wait
    HANDLE lost_;      // set by the reader or a write when the device went away
    HANDLE stop_;      // asks the reader to end
    std::thread reader_;
    std::mutex mutex_;  // guards input_ and purges_
    std::vector<std::uint8_t> input_;
    // Counts the discards of unread input, so that the reader drops a chunk it read before
    // one rather than hand it on after it.
    unsigned purges_ = 0;
    std::deque<std::unique_ptr<PendingWrite>> writes_;
};

}  // namespace ymodem
