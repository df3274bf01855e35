#include "Win32EventLoop.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <system_error>

namespace ymodem {

namespace {

// The completion that tells the waiting thread to end, and the one that carries a watched
// handle's signal; the ports' keys start above them.
constexpr ULONG_PTR kStopKey = 0;
constexpr ULONG_PTR kWatchedKey = 1;
constexpr ULONG kBatch = 64;

std::runtime_error SystemFailure(const std::string& what, DWORD error = GetLastError()) {
    return std::runtime_error(what + ": system error " + std::to_string(error));
}

HANDLE NewAutoResetEvent() {
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) throw SystemFailure("no event for the event loop");
    return event;
}

}  // namespace

Win32EventLoop::Win32EventLoop(Waits waits)
    : completionsOnly_(waits == Waits::kCompletionsOnly),
      arrived_(NewAutoResetEvent()),
      timers_([this](std::chrono::nanoseconds wait) { ArmTimer(wait); }) {
    if (completionsOnly_) {
        try {
            StartCompletionPort();
        } catch (...) {
            CloseHandle(arrived_);
            throw;
        }
    }
}

Win32EventLoop::~Win32EventLoop() {
    for (const Watched& watched : watched_) StopPoolWait(watched);
    if (completionsOnly_) {
        // A cancel leaves an expiry's APC that is already queued: it runs here, while the
        // loop it writes to is still there, not in some later alertable wait of the thread.
        CancelWaitableTimer(timer_.Handle());
        SleepEx(0, TRUE);
    }
    if (waiter_.joinable()) {
        // Closing the port ends the wait too, should the stop not get through.
        if (!PostQueuedCompletionStatus(completionPort_, 0, kStopKey, nullptr)) {
            CloseHandle(completionPort_);
            completionPort_ = nullptr;
        }
        waiter_.join();
    }
    if (completionPort_ != nullptr) CloseHandle(completionPort_);
    CloseHandle(arrived_);
}

void Win32EventLoop::Watch(HANDLE handle, Handler handler) {
    Unwatch(handle);
    Watched watched{handle, std::move(handler), nullptr, nullptr};
    if (completionsOnly_) {
        watched.Relayed = std::make_unique<Relay>(Relay{completionPort_, handle});
        StartPoolWait(watched);
    }
    watched_.push_back(std::move(watched));
}

// Once: the handle is waited for again after its handler has run, as MsgWaitForMultipleObjects
// would, so that an event the handler leaves set cannot keep a pool thread posting.
void Win32EventLoop::StartPoolWait(Watched& watched) {
    if (!RegisterWaitForSingleObject(&watched.PoolWait, watched.Handle, OnWatchedSignalled,
                                     watched.Relayed.get(), INFINITE, WT_EXECUTEONLYONCE)) {
        watched.PoolWait = nullptr;
        throw SystemFailure("the thread pool takes no more waits");
    }
}

void Win32EventLoop::Unwatch(HANDLE handle) {
    std::erase_if(watched_, [handle](const Watched& w) {
        if (w.Handle != handle) return false;
        StopPoolWait(w);
        return true;
    });
}

// Returns once its callback can no longer run, so that its relay may go.
void Win32EventLoop::StopPoolWait(const Watched& watched) {
    if (watched.PoolWait != nullptr) UnregisterWaitEx(watched.PoolWait, INVALID_HANDLE_VALUE);
}

// On a thread of the pool. A signal that comes after Unwatch finds no handler and is dropped.
void CALLBACK Win32EventLoop::OnWatchedSignalled(void* relay, BOOLEAN) {
    const auto* to = static_cast<const Relay*>(relay);
    PostQueuedCompletionStatus(to->CompletionPort, 0, kWatchedKey,
                               reinterpret_cast<OVERLAPPED*>(to->Handle));
}

void Win32EventLoop::ArmTimer(std::chrono::nanoseconds wait) {
    if (completionsOnly_) {
        timer_.Arm(wait, OnTimerExpired, this);
    } else {
        timer_.Arm(wait);
    }
}

// An APC on the loop's own thread, inside its alertable wait.
void CALLBACK Win32EventLoop::OnTimerExpired(void* loop, DWORD, DWORD) {
    static_cast<Win32EventLoop*>(loop)->timerExpired_ = true;
}

ULONG_PTR Win32EventLoop::Associate(HANDLE file, CompletionHandler handler) {
    if (completionPort_ == nullptr) StartCompletionPort();
    const ULONG_PTR key = ++lastKey_;
    if (CreateIoCompletionPort(file, completionPort_, key, 0) == nullptr) {
        throw SystemFailure("the completion port takes no more ports");
    }
    associated_.emplace(key, std::move(handler));
    return key;
}

void Win32EventLoop::Dissociate(ULONG_PTR key) {
    associated_.erase(key);
}

// Made when the first port opens, so that a system short of them fails that port's open,
// with the reason, rather than the program.
void Win32EventLoop::StartCompletionPort() {
    completionPort_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    if (completionPort_ == nullptr) throw SystemFailure("no completion port");
    if (completionsOnly_) return;
    try {
        waiter_ = std::thread([this] { WaitForCompletions(); });
    } catch (const std::system_error& error) {
        CloseHandle(completionPort_);
        completionPort_ = nullptr;
        throw std::runtime_error(std::string("no thread to wait for the ports: ") + error.what());
    }
}

// On its own thread: the completion port cannot be waited for together with the message
// queue. The moment is taken here, as near the system's completion as this program gets.
void Win32EventLoop::WaitForCompletions() {
    std::array<OVERLAPPED_ENTRY, kBatch> entries{};
    for (;;) {
        ULONG count = 0;
        if (!GetQueuedCompletionStatusEx(completionPort_, entries.data(), kBatch, &count, INFINITE,
                                         FALSE)) {
            waiterFailed_ = true;
            SetEvent(arrived_);
            return;
        }
        const Instant at = std::chrono::steady_clock::now();
        bool stop = false;
        {
            const std::lock_guard lock(mutex_);
            for (ULONG i = 0; i < count; ++i) {
                const OVERLAPPED_ENTRY& entry = entries[i];
                if (entry.lpCompletionKey == kStopKey) {
                    stop = true;
                    continue;
                }
                arrivals_.push_back({entry.lpCompletionKey,
                                     {entry.lpOverlapped, entry.dwNumberOfBytesTransferred, at}});
            }
        }
        SetEvent(arrived_);
        if (stop) return;
    }
}

void Win32EventLoop::Quit(int exitCode) {
    quitting_ = true;
    exitCode_ = exitCode;
}

int Win32EventLoop::Run() {
    while (!quitting_ && RunOnce(INFINITE)) {
    }
    return exitCode_;
}

bool Win32EventLoop::RunUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    while (!done() && !quitting_) {
        const ULONGLONG now = GetTickCount64();
        if (now >= until || !RunOnce(static_cast<DWORD>(until - now))) break;
    }
    return done();
}

// Whatever woke the wait, the completions and the due timers are served too, so that a
// busy line cannot hold back the timers nor the other way round.
bool Win32EventLoop::RunOnce(DWORD timeoutMs) {
    if (completionsOnly_) return RunOnceOnCompletionPort(timeoutMs);
    std::vector<HANDLE> handles{arrived_, timer_.Handle()};
    for (const Watched& w : watched_) handles.push_back(w.Handle);
    const DWORD count = static_cast<DWORD>(handles.size());
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles.data(), timeoutMs, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    if (woke >= WAIT_OBJECT_0 + count + 1 && woke != WAIT_TIMEOUT) {
        // A handle that went bad could never wake us again: the program ends, and not as a
        // success.
        exitCode_ = 1;
        return false;
    }
    DispatchCompletions();
    if (waiterFailed_) {
        exitCode_ = 1;
        return false;
    }
    if (woke == WAIT_OBJECT_0 + 1) {
        timers_.OnSystemTimer();
    } else {
        timers_.RunDue();
    }
    if (woke >= WAIT_OBJECT_0 + 2 && woke < WAIT_OBJECT_0 + count) {
        RunHandlerOf(handles[woke - WAIT_OBJECT_0]);
    }
    if (woke == WAIT_OBJECT_0 + count) return DispatchMessages();
    return true;
}

// The answers first, then the timers, then the program's own handles, as RunOnce.
bool Win32EventLoop::RunOnceOnCompletionPort(DWORD timeoutMs) {
    std::array<OVERLAPPED_ENTRY, kBatch> entries{};
    ULONG count = 0;
    if (!GetQueuedCompletionStatusEx(completionPort_, entries.data(), kBatch, &count, timeoutMs,
                                     TRUE)) {
        const DWORD error = GetLastError();
        if (error != WAIT_TIMEOUT && error != WAIT_IO_COMPLETION) {
            exitCode_ = 1;
            return false;
        }
        count = 0;
    }
    const Instant at = std::chrono::steady_clock::now();
    std::vector<HANDLE> signalled;
    for (ULONG i = 0; i < count; ++i) {
        const OVERLAPPED_ENTRY& entry = entries[i];
        if (entry.lpCompletionKey == kWatchedKey) {
            signalled.push_back(reinterpret_cast<HANDLE>(entry.lpOverlapped));
            continue;
        }
        const auto found = associated_.find(entry.lpCompletionKey);
        if (found == associated_.end()) continue;
        const CompletionHandler handler = found->second;
        handler({entry.lpOverlapped, entry.dwNumberOfBytesTransferred, at});
    }
    if (timerExpired_) {
        timerExpired_ = false;
        timers_.OnSystemTimer();
    } else {
        timers_.RunDue();
    }
    for (const HANDLE handle : signalled) {
        RunHandlerOf(handle);
        const auto found = std::find_if(watched_.begin(), watched_.end(),
                                        [handle](const Watched& w) { return w.Handle == handle; });
        if (found == watched_.end()) continue;
        StopPoolWait(*found);
        StartPoolWait(*found);
    }
    return true;
}

void Win32EventLoop::RunSignalled() {
    if (completionsOnly_) {
        RunOnceOnCompletionPort(0);
        return;
    }
    DispatchCompletions();
    if (WaitForSingleObject(timer_.Handle(), 0) == WAIT_OBJECT_0) {
        timers_.OnSystemTimer();
    } else {
        timers_.RunDue();
    }
    // Bounded, so that a handle that stays signalled cannot hold the modal loop for ever.
    for (std::size_t round = 0; round <= watched_.size(); ++round) {
        std::vector<HANDLE> handles;
        for (const Watched& w : watched_) handles.push_back(w.Handle);
        const DWORD count = static_cast<DWORD>(handles.size());
        if (count == 0) return;
        const DWORD woke = WaitForMultipleObjects(count, handles.data(), FALSE, 0);
        if (woke >= WAIT_OBJECT_0 + count) return;
        RunHandlerOf(handles[woke - WAIT_OBJECT_0]);
    }
}

// A handler may dissociate any port, its own among them: each completion's key is looked up
// as it comes to be handled.
void Win32EventLoop::DispatchCompletions() {
    std::vector<Arrived> batch;
    {
        const std::lock_guard lock(mutex_);
        batch.swap(arrivals_);
    }
    for (const Arrived& arrived : batch) {
        const auto found = associated_.find(arrived.Key);
        if (found == associated_.end()) continue;
        const CompletionHandler handler = found->second;
        handler(arrived.Done);
    }
}

// A handler may unwatch other handles, its own among them.
void Win32EventLoop::RunHandlerOf(HANDLE handle) {
    const auto found = std::find_if(watched_.begin(), watched_.end(),
                                    [handle](const Watched& w) { return w.Handle == handle; });
    if (found == watched_.end()) return;
    const Handler handler = found->OnSignalled;
    if (handler) handler();
}

bool Win32EventLoop::DispatchMessages() {
    MSG message;
    while (!quitting_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            exitCode_ = static_cast<int>(message.wParam);
            return false;
        }
        if (dialog_ != nullptr && IsDialogMessageW(dialog_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

}  // namespace ymodem
