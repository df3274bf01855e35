#include <windows.h>

#include <atomic>

#include "StopSignals.h"

namespace ymodem {

namespace {

// The console's control handler runs on a thread of its own and can only reach the
// program through something static.
std::atomic<HANDLE> requestEvent{nullptr};
std::atomic<HANDLE> doneEvent{nullptr};
std::atomic<int> requestedExitCode{0};

// Longer than a frame at 9600 baud takes to leave, shorter than the 5 s Windows waits.
constexpr DWORD kCloseWaitMs = 4000;

BOOL WINAPI HandleConsoleControl(DWORD type) {
    const HANDLE event = requestEvent.load();
    if (event == nullptr) return FALSE;
    const bool interrupt = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT;
    requestedExitCode = interrupt ? 130 : 143;
    SetEvent(event);
    // Once this returns after a closed console, a log-off or a shut-down, the system ends
    // the program: the port is closed first.
    if (!interrupt) WaitForSingleObject(doneEvent.load(), kCloseWaitMs);
    return TRUE;
}

}  // namespace

StopSignals::StopSignals()
    : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    requestEvent = handle_;
    doneEvent = done_;
    SetConsoleCtrlHandler(HandleConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(HandleConsoleControl, FALSE);
    requestEvent = nullptr;
    doneEvent = nullptr;
    for (const HANDLE event : {handle_, done_}) {
        if (event != nullptr) CloseHandle(event);
    }
}

void StopSignals::Done() {
    SetEvent(done_);
}

// The event stays set until taken here: a wait that saw it must not have used it up.
std::optional<int> StopSignals::TakeRequest() {
    if (handle_ == nullptr || WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    ResetEvent(handle_);
    return requestedExitCode.load();
}

}  // namespace ymodem
