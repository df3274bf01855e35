#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "StopSignals.h"
#include "Terminal.h"

namespace ymodem {

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

namespace {

// A signal handler can only reach the program through something static; it writes the
// signal number into this socket and the event loop reads it.
int signalWriteEnd = -1;

void WriteSignal(int number) {
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto written = write(signalWriteEnd, &byte, 1);
}

}  // namespace

struct StopSignals::Platform {
    int sockets[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;

    ~Platform() {
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signalWriteEnd = -1;
        for (const int socket : sockets) {
            if (socket >= 0) close(socket);
        }
    }
};

StopSignals::StopSignals(QObject* parent)
    : QObject(parent), platform_(std::make_unique<Platform>()) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, platform_->sockets) != 0) return;
    signalWriteEnd = platform_->sockets[0];
    platform_->notifier =
        std::make_unique<QSocketNotifier>(platform_->sockets[1], QSocketNotifier::Read);
    connect(platform_->notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        if (read(platform_->sockets[1], &number, 1) != 1) return;
        emit StopRequested(128 + number);
    });
    struct sigaction action {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() = default;

}  // namespace ymodem
