#pragma once

#include <windows.h>

#include <chrono>

namespace ymodem {

// The one system timer under an event loop's timer queue: a high-resolution waitable timer,
// which keeps a 2 ms wait near 2 ms. Where the system refuses one (before Windows 10 1803),
// a plain waitable timer with the system's timer period at 1 ms. SetTimer cannot serve: it
// ticks every 10 to 15.6 ms. The handle is signalled when the wait is over; a wait resets it.
class Win32WaitableTimer {
public:
    // Throws std::runtime_error when the system gives no timer at all.
    Win32WaitableTimer();
    ~Win32WaitableTimer();
    Win32WaitableTimer(const Win32WaitableTimer&) = delete;
    Win32WaitableTimer& operator=(const Win32WaitableTimer&) = delete;

    // Once, the wait from now (rounded up to the timer's 100 ns); replaces an earlier wait.
    // With a routine, the system also queues it as an APC to this thread when the wait is
    // over, to run at the thread's next alertable wait.
    void Arm(std::chrono::nanoseconds wait, PTIMERAPCROUTINE onExpiry = nullptr,
             void* context = nullptr);
    HANDLE Handle() const { return timer_; }
    bool HighResolution() const { return highResolution_; }

private:
    HANDLE timer_ = nullptr;
    bool highResolution_ = false;
};

}  // namespace ymodem
