#pragma once

#include <windows.h>

#include "WakeTimer.h"
#include "Win32EventLoop.h"

namespace ymodem {

// The wake-up timer on the Win32 event loop: a high-resolution waitable timer, which keeps a
// 2 ms wait near 2 ms. Where the system refuses one (before Windows 10 1803), a plain
// waitable timer with the system's timer period at 1 ms. SetTimer cannot serve: it ticks
// every 10 to 15.6 ms.
class Win32WakeTimer final : public WakeTimer {
public:
    explicit Win32WakeTimer(Win32EventLoop& loop);
    ~Win32WakeTimer() override;
    Win32WakeTimer(const Win32WakeTimer&) = delete;
    Win32WakeTimer& operator=(const Win32WakeTimer&) = delete;

    void SetHandler(Handler handler) override;
    void Start(std::chrono::milliseconds wait) override;
    void Stop() override;

    bool HighResolution() const { return highResolution_; }

private:
    void OnSignalled();

    Win32EventLoop& loop_;
    HANDLE timer_ = nullptr;
    bool highResolution_ = false;
    bool armed_ = false;
    Handler handler_;
};

}  // namespace ymodem
