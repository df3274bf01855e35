#include "DevsimApp.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "CommandLine.h"
#include "PortLink.h"
#include "TransferReport.h"

namespace ymodem {

namespace {

constexpr int kExitSignalBase = 128;
constexpr std::chrono::seconds kLinger{2};
constexpr std::chrono::microseconds kWakeLead{250};
constexpr std::chrono::milliseconds kReplugHold{200};
constexpr std::chrono::milliseconds kReplugAbsence{300};
// A paced line reads no further ahead than a UART's buffer would hold, so that a sender
// that streams is held back by the line, not by this program's memory.
constexpr std::chrono::milliseconds kReadAhead{2};

TimePoint Now() {
    return std::chrono::duration_cast<TimePoint>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void PrintLine(const std::string& line) {
    std::cout << line << std::endl;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace

int DevsimApp::Run() {
    if (options_.Expect) {
        expected_ = ReadWholeFile(*options_.Expect);
        if (!expected_) {
            std::cerr << "ymodem-devsim: cannot read " << *options_.Expect << '\n';
            return kExitBadArguments;
        }
    }
    // Before the link exists, so that no signal can end the program with the link left.
    const SignalGuard signals;
    try {
        if (options_.Timing) timing_.emplace(*options_.Timing);
        DeviceLine line =
            options_.Port ? DeviceLine::OpenTty(*options_.Port) : DeviceLine::OpenPseudoTerminal();
        std::optional<PortLink> link;
        Offer(line, link);
        return Serve(line, link, signals);
    } catch (const std::exception& error) {
        std::cerr << "ymodem-devsim: " << error.what() << '\n';
        return kExitIo;
    }
}

void DevsimApp::Offer(const DeviceLine& line, std::optional<PortLink>& link) {
    PrintLine("port: " + line.PeerPath());
    // An existing tty is the device's own end; the sender needs the other one.
    if (options_.Port || !options_.Link) return;
    try {
        link.emplace(PortLink::DefaultFolder(), options_.LinkName, line.PeerPath());
    } catch (const std::filesystem::filesystem_error& error) {
        std::cerr << "ymodem-devsim: no link in the ports folder: " << error.what() << '\n';
    }
}

// As a USB boot loader's port after the board's reset: the line goes away for a moment
// and a new device comes under the same name.
void DevsimApp::Replug(DeviceLine& line, std::optional<PortLink>& link) {
    // The sender takes in the last reply before the board resets.
    std::this_thread::sleep_for(kReplugHold);
    link.reset();
    line = DeviceLine::OpenPseudoTerminal();
    std::this_thread::sleep_for(kReplugAbsence);
    Offer(line, link);
}

int DevsimApp::Serve(DeviceLine& line, std::optional<PortLink>& link, const SignalGuard& signals) {
    const TimePoint start = Now();
    std::optional<TimePoint> deadline;
    if (options_.Timeout.count() > 0) deadline = start + options_.Timeout;
    DeviceSession session(options_.Receiver, options_.LineRate, start);
    bool replugDue = false;
    for (;;) {
        const TimePoint now = Now();
        session.OnWake(now);
        replugDue = Flush(line, session, now) || replugDue;
        if (replugDue && !session.Sending() && !session.Done() && !options_.Port) {
            Replug(line, link);
            replugDue = false;
            continue;
        }
        if (session.Done()) {
            const int status = Finish(session);
            Linger(line, signals);
            return status;
        }
        if (deadline && now >= *deadline) {
            std::cerr << "ymodem-devsim: timed out\n";
            return kExitTimeout;
        }
        std::optional<TimePoint> wake = session.NextWake();
        if (deadline && (!wake || *deadline < *wake)) wake = deadline;
        std::optional<std::chrono::nanoseconds> timeout;
        // A timed wait returns a little late, and so would every reply on a paced line: the
        // last stretch before a deadline is polled instead.
        if (wake) timeout = std::max(*wake - now - kWakeLead, std::chrono::nanoseconds{0});
        if (const TimePoint busy = session.LineBusyUntil(); busy > now + kReadAhead) {
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
                busy - now - kReadAhead, timeout.value_or(busy - now)));
            continue;
        }
        const auto result = line.Wait(timeout, signals.WaitMask());
        if (const int signal = signals.Received(); signal != 0) {
            return kExitSignalBase + signal;
        }
        if (result == DeviceLine::WaitResult::Readable) {
            const std::vector<std::uint8_t> bytes = line.Read();
            if (!bytes.empty()) {
                const TimePoint readAt = Now();
                if (timing_) timing_->Read(readAt, bytes);
                session.OnRead(readAt, bytes);
            }
        }
    }
}

// A board's serial line outlives the session on it: a sender that is still taking in the
// last reply must not see the line vanish under it. So the pseudo-terminal stays until the
// sender closes it, for a while at most.
void DevsimApp::Linger(DeviceLine& line, const SignalGuard& signals) {
    if (options_.Port) return;
    const TimePoint end = Now() + kLinger;
    while (line.PeerPresent() && signals.Received() == 0) {
        const TimePoint now = Now();
        if (now >= end) return;
        if (line.Wait(end - now, signals.WaitMask()) == DeviceLine::WaitResult::Readable) {
            line.Read();
        }
    }
}

int DevsimApp::Finish(const DeviceSession& session) {
    const SessionEnd end = session.End().value_or(SessionEnd::AllTransfers);
    if (const std::string line = SessionLine(end, session.Erases()); !line.empty()) {
        PrintLine(line);
    }
    if (end == SessionEnd::SenderCancel || end == SessionEnd::Silence ||
        end == SessionEnd::StreamBroken) return kExitAborted;
    return mismatch_ ? kExitMismatch : kExitOk;
}

bool DevsimApp::Flush(DeviceLine& line, DeviceSession& session, TimePoint now) {
    for (const auto& write : session.TakeWrites(now)) {
        // Stamped once the sender has the bytes; a dropped write never reached it.
        if (line.Write(write) && timing_) timing_->Write(Now(), write);
    }
    const std::vector<ReceivedImage> images = session.TakeImages();
    for (const ReceivedImage& image : images) Report(image);
    return !images.empty() && options_.Replug;
}

void DevsimApp::Report(const ReceivedImage& image) {
    if (options_.Output) Save(image);
    PrintLine(SummaryLine(image));
    if (expected_) {
        if (image.Data != *expected_) mismatch_ = true;
        PrintLine(VerifyLine(image.Data, *expected_));
    }
}

void DevsimApp::Save(const ReceivedImage& image) const {
    std::filesystem::path path(*options_.Output);
    if (std::filesystem::is_directory(path)) path /= SafeFileName(image.Name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.Data.data()),
              static_cast<std::streamsize>(image.Data.size()));
    out.close();
    if (!out) {
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "cannot write " + path.string());
    }
}

}  // namespace ymodem
