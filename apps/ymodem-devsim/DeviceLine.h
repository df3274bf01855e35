#pragma once

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FileDescriptor.h"

namespace ymodem {

// The device's end of the serial line: the master of a new pseudo-terminal, or a tty
// opened by path. Failures throw std::system_error.
class DeviceLine {
public:
    enum class WaitResult { Readable, TimedOut, Interrupted };

    // The sender opens PeerPath(), the slave.
    static DeviceLine OpenPseudoTerminal();
    static DeviceLine OpenTty(const std::string& path);

    const std::string& PeerPath() const { return peerPath_; }

    // Waits until bytes can be read, the timeout passes (none: no limit) or a signal
    // unblocked by signalMask arrives.
    WaitResult Wait(std::optional<std::chrono::nanoseconds> timeout, const sigset_t* signalMask);
    std::vector<std::uint8_t> Read();
    // Writes all bytes in one write. Dropped while no sender holds the pseudo-terminal open:
    // the kernel would keep them for whoever opens it next, as a stale reply. Gives whether
    // the sender got them all.
    bool Write(std::span<const std::uint8_t> bytes);
    // Whether a sender holds the other end of the pseudo-terminal; always for a tty.
    bool PeerPresent();

private:
    DeviceLine(FileDescriptor fd, std::string peerPath, bool pseudoTerminal);

    FileDescriptor fd_;
    std::string peerPath_;
    bool pseudoTerminal_ = false;
    bool peerPresent_ = false;
};

}  // namespace ymodem
