#include "SignalGuard.h"

#include <csignal>

namespace ymodem {

namespace {

// The one global of the program: a signal handler can reach nothing else, and may only
// store to a volatile sig_atomic_t. It holds the number of the signal caught, or 0.
volatile std::sig_atomic_t gCaughtSignal = 0;

extern "C" void RememberSignal(int signal) {
    gCaughtSignal = signal;
}

}  // namespace

SignalGuard::SignalGuard() {
    gCaughtSignal = 0;
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &oldMask_);
    waitMask_ = oldMask_;
    sigdelset(&waitMask_, SIGINT);
    sigdelset(&waitMask_, SIGTERM);

    struct sigaction action {};
    action.sa_handler = RememberSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the wait must return
    sigaction(SIGINT, &action, &oldInterrupt_);
    sigaction(SIGTERM, &action, &oldTerminate_);

    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &oldPipe_);
}

SignalGuard::~SignalGuard() {
    sigaction(SIGINT, &oldInterrupt_, nullptr);
    sigaction(SIGTERM, &oldTerminate_, nullptr);
    sigaction(SIGPIPE, &oldPipe_, nullptr);
    sigprocmask(SIG_SETMASK, &oldMask_, nullptr);
}

int SignalGuard::Received() const {
    return gCaughtSignal;
}

}  // namespace ymodem
