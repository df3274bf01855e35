#include "TimerTable.h"

namespace ymodem {

namespace {

std::size_t Index(TimerId id) {
    return static_cast<std::size_t>(id);
}

}  // namespace

void TimerTable::Start(TimerId id, TimePoint now, std::chrono::milliseconds interval) {
    deadlines_[Index(id)] = now + interval;
}

void TimerTable::Stop(TimerId id) {
    deadlines_[Index(id)].reset();
}

bool TimerTable::Enabled(TimerId id) const {
    return deadlines_[Index(id)].has_value();
}

std::optional<TimePoint> TimerTable::Deadline(TimerId id) const {
    return deadlines_[Index(id)];
}

std::optional<TimePoint> TimerTable::NextDeadline() const {
    std::optional<TimePoint> next;
    for (const auto& deadline : deadlines_) {
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    return next;
}

std::optional<TimerId> TimerTable::FirstDue(TimePoint now) const {
    std::optional<TimerId> first;
    for (std::size_t i = 0; i < kTimerCount; ++i) {
        const auto& deadline = deadlines_[i];
        if (!deadline || *deadline > now) continue;
        if (!first || *deadline < *deadlines_[Index(*first)]) first = static_cast<TimerId>(i);
    }
    return first;
}

}  // namespace ymodem
