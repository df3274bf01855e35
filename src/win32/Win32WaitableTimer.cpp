#include "Win32WakeTimer.h"

#include <timeapi.h>

namespace ymodem {

namespace {

// Missing from the MinGW-w64 headers.
constexpr DWORD kHighResolutionTimer = 0x2;

}  // namespace

Win32WakeTimer::Win32WakeTimer(Win32EventLoop& loop) : loop_(loop) {
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
    highResolution_ = timer_ != nullptr;
    if (!highResolution_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        timeBeginPeriod(1);
    }
    loop_.Watch(timer_, [this] { OnSignalled(); });
}

Win32WakeTimer::~Win32WakeTimer() {
    loop_.Unwatch(timer_);
    CancelWaitableTimer(timer_);
    CloseHandle(timer_);
    if (!highResolution_) timeEndPeriod(1);
}

void Win32WakeTimer::SetHandler(Handler handler) {
    handler_ = std::move(handler);
}

// A timer that fired before it was stopped stays signalled; that is taken here, so that it
// cannot cut the next wait short.
void Win32WakeTimer::Start(std::chrono::milliseconds wait) {
    WaitForSingleObject(timer_, 0);
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(wait.count()) * 10'000;  // relative, 100 ns units
    armed_ = SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) != 0;
}

void Win32WakeTimer::Stop() {
    armed_ = false;
    CancelWaitableTimer(timer_);
    WaitForSingleObject(timer_, 0);
}

void Win32WakeTimer::OnSignalled() {
    if (!armed_) return;
    armed_ = false;
    if (handler_) handler_();
}

}  // namespace ymodem
