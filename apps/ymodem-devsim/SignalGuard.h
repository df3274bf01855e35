#pragma once

#include <signal.h>

namespace ymodem {

// Catches SIGINT and SIGTERM for as long as it lives. Both stay blocked except inside a
// wait that passes WaitMask(), so a signal can never slip in between a check of
// Received() and the wait that should have been cut short by it. SIGPIPE is ignored: a
// reader of the report going away must not end the program with its link left behind.
class SignalGuard {
public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    // The signal caught, or 0.
    int Received() const;
    const sigset_t* WaitMask() const { return &waitMask_; }

private:
    struct sigaction oldInterrupt_ {};
    struct sigaction oldTerminate_ {};
    struct sigaction oldPipe_ {};
    sigset_t oldMask_{};
    sigset_t waitMask_{};
};

}  // namespace ymodem
