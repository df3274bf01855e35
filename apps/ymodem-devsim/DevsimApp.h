#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "DeviceLine.h"
#include "DeviceSession.h"
#include "DevsimOptions.h"
#include "PortLink.h"
#include "SignalGuard.h"
#include "TimingLog.h"

namespace ymodem {

// The program around the device: opens the line, offers it to the window, runs the
// session on a monotonic clock and reports every transfer. Run gives the exit status.
class DevsimApp {
public:
    explicit DevsimApp(DevsimOptions options) : options_(std::move(options)) {}

    int Run();

private:
    int Serve(DeviceLine& line, std::optional<PortLink>& link, const SignalGuard& signals);
    void Replug(DeviceLine& line, std::optional<PortLink>& link);
    void Offer(const DeviceLine& line, std::optional<PortLink>& link);
    void Linger(DeviceLine& line, const SignalGuard& signals);
    int Finish(const DeviceSession& session);
    // Gives whether a transfer finished.
    bool Flush(DeviceLine& line, DeviceSession& session, TimePoint now);
    void Report(const ReceivedImage& image);
    void Save(const ReceivedImage& image) const;

    DevsimOptions options_;
    std::optional<std::vector<std::uint8_t>> expected_;
    std::optional<TimingLog> timing_;
    bool mismatch_ = false;
};

}  // namespace ymodem
