#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "TimerQueue.h"
#include "Win32WaitableTimer.h"

namespace ymodem {

// The program's one thread of events: window messages, the I/O of every serial port, the
// wake-up timers and a few handles such as the stop signal's. Every handler runs on this
// thread, one at a time, to its end.
//
// What it waits for does not grow with the ports: the ports' I/O completes through one I/O
// completion port, and all wake-up timers share one high-resolution waitable timer through
// a TimerQueue. A program with windows waits in MsgWaitForMultipleObjectsEx on a fixed few
// handles and the message queue; a thread of its own waits on the completion port and hands
// each completion over with the moment it came, setting one event. A program without
// windows waits on the completion port itself, alertably: the timer's expiry comes as an
// APC, a watched handle's signal as a completion posted by the system's thread pool. That
// spares every reply two thread switches, about 0.3 ms under wine.
class Win32EventLoop {
public:
    enum class Waits { kMessagesToo, kCompletionsOnly };
    using Handler = std::function<void()>;
    using Instant = std::chrono::steady_clock::time_point;
    // One finished I/O of an associated handle: its OVERLAPPED, the bytes moved, and when the
    // completion port had it.
    struct Completion {
        OVERLAPPED* Overlapped;
        DWORD Bytes;
        Instant At;
    };
    using CompletionHandler = std::function<void(const Completion&)>;

    // Throws std::runtime_error when the system gives no event or timer (or, for
    // kCompletionsOnly, no completion port).
    explicit Win32EventLoop(Waits waits = Waits::kMessagesToo);
    ~Win32EventLoop();
    Win32EventLoop(const Win32EventLoop&) = delete;
    Win32EventLoop& operator=(const Win32EventLoop&) = delete;

    // handler runs each time the handle (an auto-reset event) is signalled. For a few
    // handles of the program's own, not for each port: at most MAXIMUM_WAIT_OBJECTS - 3.
    // Throws std::runtime_error when the thread pool takes no more waits.
    void Watch(HANDLE handle, Handler handler);
    void Unwatch(HANDLE handle);

    // Sends the completions of the file's overlapped I/O (it was opened with
    // FILE_FLAG_OVERLAPPED) to handler, until Dissociate. Gives the key to dissociate with.
    // Throws std::runtime_error with the reason when the system refuses. Completions that
    // come after Dissociate are dropped without a look at their OVERLAPPED, so the I/O's
    // memory may go once the I/O has ended.
    ULONG_PTR Associate(HANDLE file, CompletionHandler handler);
    void Dissociate(ULONG_PTR key);

    // The wake-up timers of this loop.
    TimerQueue& Timers() { return timers_; }

    // Messages for this window and its controls go through IsDialogMessageW first: Tab in
    // the drawn order and the access keys.
    void SetDialogWindow(HWND window) { dialog_ = window; }

    // Runs until Quit() or WM_QUIT; gives the exit code.
    int Run();
    // Serves what is already there, without waiting: a modal loop of the system's own, such
    // as the file dialog's, calls it from a timer message, so that the serial lines and the
    // wake-up timers are served meanwhile.
    void RunSignalled();
    // Runs until done() says so, or timeoutMs pass; gives done().
    bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs);
    void Quit(int exitCode);

private:
    // The thread pool's wait for a watched handle posts this to the completion port.
    struct Relay {
        HANDLE CompletionPort;
        HANDLE Handle;
    };
    struct Watched {
        HANDLE Handle;
        Handler OnSignalled;
        std::unique_ptr<Relay> Relayed;  // with kCompletionsOnly
        HANDLE PoolWait = nullptr;
    };
    struct Arrived {
        ULONG_PTR Key;
        Completion Done;
    };

    void StartCompletionPort();
    void WaitForCompletions();
    // Waits at most timeoutMs for one thing to happen and handles what is there; false once
    // the loop is to end.
    bool RunOnce(DWORD timeoutMs);
    bool RunOnceOnCompletionPort(DWORD timeoutMs);
    void ArmTimer(std::chrono::nanoseconds wait);
    static void CALLBACK OnTimerExpired(void* loop, DWORD, DWORD);
    static void CALLBACK OnWatchedSignalled(void* relay, BOOLEAN);
    void StartPoolWait(Watched& watched);
    static void StopPoolWait(const Watched& watched);
    void DispatchCompletions();
    bool DispatchMessages();
    void RunHandlerOf(HANDLE handle);

    const bool completionsOnly_;
    bool timerExpired_ = false;  // set by the timer's APC
    HANDLE arrived_;             // set when completions wait in arrivals_
    Win32WaitableTimer timer_;
    TimerQueue timers_;
    std::vector<Watched> watched_;
    HWND dialog_ = nullptr;
    bool quitting_ = false;
    int exitCode_ = 0;

    HANDLE completionPort_ = nullptr;  // made with the first association
    std::thread waiter_;
    std::mutex mutex_;  // guards arrivals_
    std::vector<Arrived> arrivals_;
    std::atomic<bool> waiterFailed_ = false;
    std::unordered_map<ULONG_PTR, CompletionHandler> associated_;
    ULONG_PTR lastKey_ = 1;  // the loop's own keys, 0 and 1, come first
};

}  // namespace ymodem
