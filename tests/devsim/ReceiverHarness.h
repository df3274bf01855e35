#pragma once

#include <vector>

#include "Receiver.h"
#include "TestFrames.h"

namespace ymodem::test {

// Drives a receiver on simulated time and keeps every write it made.
class ReceiverHarness {
public:
    explicit ReceiverHarness(ReceiverOptions options = {}) : receiver(std::move(options), now) {
        Advance(0ms);
    }

    // Bytes arriving at the current time; returns the writes they caused.
    std::vector<Bytes> Feed(const Bytes& bytes) { return Keep(receiver.OnReceive(now, bytes)); }
    std::vector<Bytes> Advance(std::chrono::nanoseconds step) {
        now += step;
        return Keep(receiver.OnWake(now));
    }
    // The transfer's frames, each as one read; the writes after every frame, in order.
    std::vector<Bytes> FeedFrames(const std::vector<Bytes>& frames) {
        std::vector<Bytes> writes;
        for (const Bytes& frame : frames) {
            for (Bytes& write : Feed(frame)) writes.push_back(std::move(write));
        }
        return writes;
    }

    TimePoint now{};
    Receiver receiver;
    std::vector<TimedWrite> writes;

private:
    std::vector<Bytes> Keep(std::vector<TimedWrite> due) {
        std::vector<Bytes> data;
        for (TimedWrite& write : due) {
            data.push_back(write.Data);
            writes.push_back(std::move(write));
        }
        return data;
    }
};

inline const Bytes kC{0x43};
inline const Bytes kAckC{0x06, 0x43};
inline const Bytes kAckOnly{0x06};
inline const Bytes kNakOnly{0x15};

}  // namespace ymodem::test
