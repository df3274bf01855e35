#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "TimedWrite.h"

namespace ymodem {

// The device's writes waiting for their moment. A device answers in order: nothing
// overtakes a write still waiting its turn.
class ReplyQueue {
public:
    // Gives the moment the write was queued for, which is never before the last one's.
    TimePoint Schedule(TimePoint at, std::vector<std::uint8_t> bytes);
    std::optional<TimePoint> NextDue() const;
    std::vector<TimedWrite> TakeDue(TimePoint now);
    void DropAfter(TimePoint now);

private:
    std::deque<TimedWrite> writes_;
};

}  // namespace ymodem
