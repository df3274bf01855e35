#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include "StopSignals.h"

namespace ymodem {

namespace {

// A signal handler can only reach the program through something static; it writes the
// signal number into this socket and the event loop reads it.
std::atomic<int> signalWriteEnd{-1};

void WriteSignal(int number) {
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto written = write(signalWriteEnd.load(), &byte, 1);
}

}  // namespace

StopSignals::StopSignals() : handle_(-1) {
    int sockets[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return;
    fcntl(sockets[1], F_SETFL, fcntl(sockets[1], F_GETFL) | O_NONBLOCK);
    writeEnd_ = sockets[0];
    handle_ = sockets[1];
    signalWriteEnd = writeEnd_;
    struct sigaction action {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signalWriteEnd = -1;
    for (const int socket : {writeEnd_, handle_}) {
        if (socket >= 0) close(socket);
    }
}

std::optional<int> StopSignals::TakeRequest() {
    unsigned char number = 0;
    if (handle_ < 0 || read(handle_, &number, 1) != 1) return std::nullopt;
    return 128 + number;
}

// A signal leaves the program time to close its port.
void StopSignals::Done() {}

}  // namespace ymodem
