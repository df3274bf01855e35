#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "LinePacer.h"
#include "ReceivedImage.h"
#include "Receiver.h"

namespace ymodem {

// The receiver behind a line of a given rate. Bytes read are queued at their wire times
// and handed to the receiver at once, ahead of the clock: nothing read later can arrive
// before them, so the receiver's view of the line up to the last queued byte is final.
// Its replies then wait until the line would have delivered them.
class DeviceSession {
public:
    DeviceSession(ReceiverOptions options, std::uint32_t lineRate, TimePoint start);

    void OnRead(TimePoint now, std::span<const std::uint8_t> chunk);
    void OnWake(TimePoint now);
    std::optional<TimePoint> NextWake() const;

    // The writes that have crossed the line by now, in order, each one write.
    std::vector<std::vector<std::uint8_t>> TakeWrites(TimePoint now);
    std::vector<ReceivedImage> TakeImages() { return receiver_.TakeImages(); }
    bool Done() const { return receiver_.Done() && outgoing_.empty(); }
    // Whether replies are still on their way across the line.
    bool Sending() const { return !outgoing_.empty(); }
    // When the bytes read so far have all crossed the modelled line.
    TimePoint LineBusyUntil() const { return line_.ReceiveFree(); }
    std::optional<SessionEnd> End() const { return receiver_.End(); }
    int Erases() const { return receiver_.Erases(); }

private:
    void Pace(std::vector<TimedWrite> writes);

    Receiver receiver_;
    LinePacer line_;
    std::deque<TimedWrite> outgoing_;  // stamped with the moment they have crossed the line
};

}  // namespace ymodem
