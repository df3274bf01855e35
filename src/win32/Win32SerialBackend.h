#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "SerialBackend.h"
#include "WakeTimer.h"
#include "Win32EventLoop.h"

namespace ymodem {

// A COM port over the Windows communications API, on the event loop's completion port: one
// overlapped read is kept pending, for what the driver holds or else for one byte, so that
// it completes as the bytes come (WaitCommEvent is useless under wine); its completion hands
// them on, stamped with the moment the completion port had them. Writes are overlapped and
// never block the loop. No thread per port, and no handle the loop must wait for.
class Win32SerialBackend final : public SerialBackend {
public:
    explicit Win32SerialBackend(Win32EventLoop& loop);
    ~Win32SerialBackend() override;
    Win32SerialBackend(const Win32SerialBackend&) = delete;
    Win32SerialBackend& operator=(const Win32SerialBackend&) = delete;

    void Open(const std::string& device, const LineSettings& settings) override;
    void Close() override;
    bool IsOpen() const override { return port_ != INVALID_HANDLE_VALUE; }
    void Apply(const LineSettings& settings) override;

    void Write(std::span<const std::uint8_t> bytes) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    std::size_t Unsent() const override;
    bool WaitForOutput(std::chrono::milliseconds timeout) override;

private:
    struct Request;

    void SetUp(const std::string& device, const LineSettings& settings);
    bool SetLine(const LineSettings& settings);
    bool CancelAndAwait(Request& request);
    Request* FreeRequest();
    DWORD StartRead();
    DWORD ReadSize() const;
    void OnCompletion(const Win32EventLoop::Completion& completion);
    void ReadCompleted(Request& read, DWORD bytes, ArrivalTime at);
    void WriteCompleted(Request& write);
    void ReadOnOrLose();
    void NoteLoss();
    void OnRetry();
    void ReportLossOnce();
    std::vector<Request*> WritesInFlight() const;

    Win32EventLoop& loop_;
    // Restarts a read that came back empty, and reports a loss met inside an operation of
    // ours from the loop.
    std::unique_ptr<WakeTimer> retry_;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    ULONG_PTR key_ = 0;
    // Every I/O of this open, in flight or done; each lives until the completion port has
    // handed it back, or until the port is closed.
    std::vector<std::unique_ptr<Request>> requests_;
    Request* read_ = nullptr;  // the read pending, if any
    bool lossSeen_ = false;
    bool lossReported_ = false;
};

}  // namespace ymodem
