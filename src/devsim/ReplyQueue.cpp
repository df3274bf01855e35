#include "ReplyQueue.h"

#include <algorithm>
#include <utility>

namespace ymodem {

TimePoint ReplyQueue::Schedule(TimePoint at, std::vector<std::uint8_t> bytes) {
    if (!writes_.empty()) at = std::max(at, writes_.back().At);
    writes_.push_back(TimedWrite{at, std::move(bytes)});
    return at;
}

std::optional<TimePoint> ReplyQueue::NextDue() const {
    if (writes_.empty()) return std::nullopt;
    return writes_.front().At;
}

std::vector<TimedWrite> ReplyQueue::TakeDue(TimePoint now) {
    std::vector<TimedWrite> due;
    while (!writes_.empty() && writes_.front().At <= now) {
        due.push_back(std::move(writes_.front()));
        writes_.pop_front();
    }
    return due;
}

void ReplyQueue::DropAfter(TimePoint now) {
    std::erase_if(writes_, [now](const TimedWrite& write) { return write.At > now; });
}

}  // namespace ymodem
