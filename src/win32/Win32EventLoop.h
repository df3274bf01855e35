#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace ymodem {

// The program's one thread of events: window messages, and the handles of the serial
// controls and the wake-up timers, waited for together with MsgWaitForMultipleObjectsEx.
// Every handler runs on this thread, one at a time, to its end.
class Win32EventLoop {
public:
    using Handler = std::function<void()>;

    // handler runs each time the handle (an auto-reset event or timer) is signalled. At
    // most MAXIMUM_WAIT_OBJECTS - 1 handles.
    void Watch(HANDLE handle, Handler handler);
    void Unwatch(HANDLE handle);
    // Messages for this window and its controls go through IsDialogMessageW first: Tab in
    // the drawn order and the access keys.
    void SetDialogWindow(HWND window) { dialog_ = window; }

    // Runs until Quit() or WM_QUIT; gives the exit code.
    int Run();
    // Runs the handlers of the handles already signalled, without waiting: a modal loop of
    // the system's own, such as the file dialog's, calls it from a timer message, so that
    // the serial line and the wake-up timers are served meanwhile.
    void RunSignalled();
    // Runs until done() says so, or timeoutMs pass; gives done().
    bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs);
    void Quit(int exitCode);

private:
    struct Watched {
        HANDLE Handle;
        Handler OnSignalled;
    };

    // Waits at most timeoutMs for one thing to happen and handles it; false once the loop
    // is to end.
    bool RunOnce(DWORD timeoutMs);
    bool DispatchMessages();
    void RunHandlerOf(HANDLE handle);

    std::vector<Watched> watched_;
    HWND dialog_ = nullptr;
    bool quitting_ = false;
    int exitCode_ = 0;
};

}  // namespace ymodem
