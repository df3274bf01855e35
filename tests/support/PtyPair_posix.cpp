#include "PtyPair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace ymodem {

PtyPair::PtyPair() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        CloseMaster();
        return;
    }
    std::array<char, 128> name{};
    if (::ptsname_r(master_, name.data(), name.size()) != 0) {
        CloseMaster();
        return;
    }
    slavePath_ = name.data();
}

PtyPair::~PtyPair() {
    CloseMaster();
}

void PtyPair::Write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

PtyPair::Bytes PtyPair::ReadUntil(const std::function<bool(const Bytes&)>& done, int timeoutMs) {
    Bytes received;
    QEventLoop loop;
    QSocketNotifier notifier(master_, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        ReadAvailable(received);
        if (done(received)) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    ReadAvailable(received);
    if (!done(received)) loop.exec();
    return received;
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPair::ReadAvailable(Bytes& into) {
    std::array<std::uint8_t, 4096> chunk{};
    ssize_t count = 0;
    while ((count = ::read(master_, chunk.data(), chunk.size())) > 0) {
        into.insert(into.end(), chunk.begin(), chunk.begin() + count);
    }
}

}  // namespace ymodem
