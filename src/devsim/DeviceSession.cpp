#include "DeviceSession.h"

#include <utility>

namespace ymodem {

DeviceSession::DeviceSession(ReceiverOptions options, std::uint32_t lineRate, TimePoint start)
    : receiver_(std::move(options), start), line_(lineRate) {}

void DeviceSession::OnRead(TimePoint now, std::span<const std::uint8_t> chunk) {
    OnWake(now);
    line_.Receive(now, chunk);
    while (line_.HasArrival()) {
        const LinePacer::Arrival arrival = line_.PopArrival();
        Pace(receiver_.OnReceive(arrival.At, std::span(&arrival.Byte, 1)));
    }
}

void DeviceSession::OnWake(TimePoint now) {
    Pace(receiver_.OnWake(now));
}

std::optional<TimePoint> DeviceSession::NextWake() const {
    std::optional<TimePoint> next = receiver_.NextWake();
    if (!outgoing_.empty() && (!next || outgoing_.front().At < *next)) {
        next = outgoing_.front().At;
    }
    return next;
}

std::vector<std::vector<std::uint8_t>> DeviceSession::TakeWrites(TimePoint now) {
    std::vector<std::vector<std::uint8_t>> due;
    while (!outgoing_.empty() && outgoing_.front().At <= now) {
        due.push_back(std::move(outgoing_.front().Data));
        outgoing_.pop_front();
    }
    return due;
}

void DeviceSession::Pace(std::vector<TimedWrite> writes) {
    for (TimedWrite& write : writes) {
        write.At = line_.Send(write.At, write.Data.size());
        outgoing_.push_back(std::move(write));
    }
}

}  // namespace ymodem
