#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "WakeTimer.h"

namespace ymodem {

// Many one-shot wake-up timers on ONE system timer: each port of a run needs two, and a
// system wait can only watch a handful of handles. The queue keeps the deadlines in order
// and asks its owner to set the system timer for the earliest; the owner calls
// OnSystemTimer() when that timer fires. Everything runs on the event loop's thread.
class TimerQueue {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    // Sets the system timer to fire once, the wait from now; it replaces any earlier one.
    using ArmSystemTimer = std::function<void(std::chrono::nanoseconds wait)>;

    TimerQueue(ArmSystemTimer arm, Clock clock = std::chrono::steady_clock::now);
    ~TimerQueue();
    TimerQueue(const TimerQueue&) = delete;
    TimerQueue& operator=(const TimerQueue&) = delete;

    // A timer may outlive the queue: it then never fires.
    std::unique_ptr<WakeTimer> MakeTimer();

    // The system timer fired: runs what is due and sets it for what is left.
    void OnSystemTimer();
    // Calls the handlers of the timers due now, earliest deadline first, those due together
    // in the order they were started; the loop may call it at any wake-up, so that a busy
    // line cannot hold the timers back. A timer started again by one of them waits for the
    // next call, however short its wait, so that no handler can hold the loop.
    void RunDue();

private:
    class Entry;
    struct Core;

    std::shared_ptr<Core> core_;
};

}  // namespace ymodem
