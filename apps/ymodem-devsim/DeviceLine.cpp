#include "DeviceLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace ymodem {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Raw 8N1: no echo, no line editing, no signals, no byte translation, one byte is enough
// for a read.
void MakeRaw(int fd, const std::string& path) {
    termios mode{};
    if (tcgetattr(fd, &mode) != 0) ThrowErrno("tcgetattr " + path);
    mode.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                           ICRNL | IXON | IXOFF);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    mode.c_cflag |= CS8 | CREAD | CLOCAL;
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &mode) != 0) ThrowErrno("tcsetattr " + path);
}

FileDescriptor OpenOrThrow(const std::string& path, int flags) {
    FileDescriptor fd(::open(path.c_str(), flags));
    if (!fd.Valid()) ThrowErrno("open " + path);
    return fd;
}

}  // namespace

DeviceLine::DeviceLine(FileDescriptor fd, std::string peerPath, bool pseudoTerminal)
    : fd_(std::move(fd)),
      peerPath_(std::move(peerPath)),
      pseudoTerminal_(pseudoTerminal),
      peerPresent_(!pseudoTerminal) {}

DeviceLine DeviceLine::OpenPseudoTerminal() {
    FileDescriptor master(posix_openpt(O_RDWR | O_NOCTTY));
    if (!master.Valid()) ThrowErrno("posix_openpt");
    if (grantpt(master.Get()) != 0) ThrowErrno("grantpt");
    if (unlockpt(master.Get()) != 0) ThrowErrno("unlockpt");
    const char* name = ptsname(master.Get());
    if (name == nullptr) ThrowErrno("ptsname");
    std::string slavePath(name);
    // The slave keeps its mode between opens, so a sender that does not set raw mode
    // itself still gets every byte unchanged. Closing it again lets the master tell from
    // a hangup when no sender is there.
    {
        const FileDescriptor slave = OpenOrThrow(slavePath, O_RDWR | O_NOCTTY);
        MakeRaw(slave.Get(), slavePath);
    }
    if (fcntl(master.Get(), F_SETFL, O_NONBLOCK) != 0) ThrowErrno("fcntl");
    return DeviceLine(std::move(master), std::move(slavePath), true);
}

DeviceLine DeviceLine::OpenTty(const std::string& path) {
    FileDescriptor fd = OpenOrThrow(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (!isatty(fd.Get())) throw std::runtime_error(path + " is not a tty");
    MakeRaw(fd.Get(), path);
    return DeviceLine(std::move(fd), path, false);
}

bool DeviceLine::PeerPresent() {
    if (!pseudoTerminal_) return true;
    pollfd entry{fd_.Get(), POLLIN, 0};
    if (::poll(&entry, 1, 0) < 0) ThrowErrno("poll");
    peerPresent_ = (entry.revents & POLLHUP) == 0;
    return peerPresent_;
}

DeviceLine::WaitResult DeviceLine::Wait(std::optional<std::chrono::nanoseconds> timeout,
                                        const sigset_t* signalMask) {
    timespec limit{};
    if (timeout) {
        const auto clamped = std::max(*timeout, std::chrono::nanoseconds{0});
        limit.tv_sec = static_cast<time_t>(clamped.count() / 1'000'000'000);
        limit.tv_nsec = static_cast<long>(clamped.count() % 1'000'000'000);
    }
    // A master without a slave reports a hangup at once and for as long as it lasts, so
    // it is left out of the wait; the next write looks again.
    pollfd entry{fd_.Get(), POLLIN, 0};
    const nfds_t count = peerPresent_ ? 1 : 0;
    const int ready = ::ppoll(&entry, count, timeout ? &limit : nullptr, signalMask);
    if (ready < 0) {
        if (errno == EINTR) return WaitResult::Interrupted;
        ThrowErrno("ppoll");
    }
    if (ready == 0) return WaitResult::TimedOut;
    if ((entry.revents & POLLHUP) != 0 && pseudoTerminal_) {
        // The sender closed its end; what it wrote before is still there to read.
        peerPresent_ = false;
    } else if ((entry.revents & (POLLERR | POLLNVAL | POLLHUP)) != 0) {
        throw std::runtime_error(peerPath_ + ": the line was lost");
    }
    return WaitResult::Readable;
}

std::vector<std::uint8_t> DeviceLine::Read() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd_.Get(), buffer, sizeof buffer);
        if (count > 0) {
            bytes.insert(bytes.end(), buffer, buffer + count);
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // Linux reports a pseudo-terminal whose slave was closed as EIO, once the bytes
        // the sender left have been read.
        if (pseudoTerminal_ && (count == 0 || errno == EIO)) {
            peerPresent_ = false;
            break;
        }
        if (count == 0) throw std::runtime_error(peerPath_ + ": the line was lost");
        ThrowErrno("read " + peerPath_);
    }
    return bytes;
}

bool DeviceLine::Write(std::span<const std::uint8_t> bytes) {
    if (!PeerPresent()) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd_.Get(), bytes.data() + done, bytes.size() - done);
        if (count >= 0) {
            done += static_cast<std::size_t>(count);
            continue;
        }
        if (errno == EINTR) continue;
        // A sender that has stopped reading has a full buffer; a real line would lose
        // the bytes just the same.
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        if (pseudoTerminal_ && errno == EIO) {
            peerPresent_ = false;
            return false;
        }
        ThrowErrno("write " + peerPath_);
    }
    return true;
}

}  // namespace ymodem
