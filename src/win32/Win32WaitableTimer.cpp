#include "Win32WaitableTimer.h"

#include <timeapi.h>

#include <stdexcept>
#include <string>

namespace ymodem {

namespace {

// Missing from the MinGW-w64 headers.
constexpr DWORD kHighResolutionTimer = 0x2;

}  // namespace

Win32WaitableTimer::Win32WaitableTimer() {
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    highResolution_ = timer_ != nullptr;
    if (!highResolution_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        if (timer_ == nullptr) {
            throw std::runtime_error("no waitable timer: system error " +
                                     std::to_string(GetLastError()));
        }
        timeBeginPeriod(1);
    }
}

Win32WaitableTimer::~Win32WaitableTimer() {
    CancelWaitableTimer(timer_);
    CloseHandle(timer_);
    if (!highResolution_) timeEndPeriod(1);
}

// An expiry nobody waited for may still wake the loop once after this (wine keeps an
// auto-reset timer signalled across SetWaitableTimer); the queue then finds nothing due.
void Win32WaitableTimer::Arm(std::chrono::nanoseconds wait, PTIMERAPCROUTINE onExpiry,
                             void* context) {
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>((wait.count() + 99) / 100);  // relative, 100 ns units
    if (due.QuadPart == 0) due.QuadPart = -1;
    SetWaitableTimer(timer_, &due, 0, onExpiry, context, FALSE);
}

}  // namespace ymodem
