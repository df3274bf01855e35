#include "Win32EventLoop.h"

#include <algorithm>

namespace ymodem {

void Win32EventLoop::Watch(HANDLE handle, Handler handler) {
    Unwatch(handle);
    watched_.push_back({handle, std::move(handler)});
}

void Win32EventLoop::Unwatch(HANDLE handle) {
    std::erase_if(watched_, [handle](const Watched& w) { return w.Handle == handle; });
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

bool Win32EventLoop::RunOnce(DWORD timeoutMs) {
    std::vector<HANDLE> handles;
    for (const Watched& w : watched_) handles.push_back(w.Handle);
    const DWORD count = static_cast<DWORD>(handles.size());
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles.data(), timeoutMs, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count) {
        RunHandlerOf(handles[woke - WAIT_OBJECT_0]);
        return true;
    }
    if (woke == WAIT_OBJECT_0 + count) return DispatchMessages();
    if (woke == WAIT_TIMEOUT) return true;
    // A handle that went bad could never wake us again: the program ends, and not as a
    // success.
    exitCode_ = 1;
    return false;
}

void Win32EventLoop::RunSignalled() {
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
