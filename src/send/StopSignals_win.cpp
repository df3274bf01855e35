#include <windows.h>

#include <atomic>

#include "StopSignals.h"

namespace ymodem {

namespace {

// The console's control handler runs on a thread of its own and can only reach the
// program through something static.
std::atomic<HANDLE> requestEvent{nullptr};
std::atomic<int> requestedExitCode{0};

BOOL WINAPI HandleConsoleControl(DWORD type) {
    const HANDLE event = requestEvent.load();
    if (event == nullptr) return FALSE;
    requestedExitCode = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? 130 : 143;
    SetEvent(event);
    return TRUE;
}

}  // namespace

StopSignals::StopSignals() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    requestEvent = handle_;
    SetConsoleCtrlHandler(HandleConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(HandleConsoleControl, FALSE);
    requestEvent = nullptr;
    if (handle_ != nullptr) CloseHandle(handle_);
}

std::optional<int> StopSignals::TakeRequest() {
    if (handle_ == nullptr || WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    return requestedExitCode.load();
}

}  // namespace ymodem
