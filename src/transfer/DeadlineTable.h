#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

namespace ymodem {

// Time as the caller passes it in: a steady count since an epoch of the caller's choice.
using TimePoint = std::chrono::nanoseconds;

// One-shot timers kept as deadlines, named by the enumeration Id with Count values from 0.
// Start enables a timer and leaves a running one alone; Restart begins a full interval anew.
template <typename Id, std::size_t Count>
class DeadlineTable {
public:
    void Start(Id id, TimePoint now, std::chrono::nanoseconds interval) {
        if (!Enabled(id)) Restart(id, now, interval);
    }
    void Restart(Id id, TimePoint now, std::chrono::nanoseconds interval) {
        deadlines_[Index(id)] = now + interval;
    }
    void Stop(Id id) { deadlines_[Index(id)].reset(); }
    void StopAll() { deadlines_.fill(std::nullopt); }

    bool Enabled(Id id) const { return deadlines_[Index(id)].has_value(); }
    std::optional<TimePoint> Deadline(Id id) const { return deadlines_[Index(id)]; }

    std::optional<TimePoint> NextDeadline() const {
        const auto first = Earliest(std::nullopt);
        return first ? deadlines_[Index(*first)] : std::nullopt;
    }
    // The running timer with the earliest deadline at or before now; ties go to the lower id.
    std::optional<Id> FirstDue(TimePoint now) const { return Earliest(now); }

private:
    static std::size_t Index(Id id) { return static_cast<std::size_t>(id); }

    std::optional<Id> Earliest(std::optional<TimePoint> notAfter) const {
        std::optional<std::size_t> first;
        for (std::size_t i = 0; i < Count; ++i) {
            const auto& deadline = deadlines_[i];
            if (!deadline || (notAfter && *deadline > *notAfter)) continue;
            if (!first || *deadline < *deadlines_[*first]) first = i;
        }
        if (!first) return std::nullopt;
        return static_cast<Id>(*first);
    }

    std::array<std::optional<TimePoint>, Count> deadlines_{};
};

}  // namespace ymodem
