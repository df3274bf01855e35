#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

namespace ymodem {

// Time as the shell passes it in: a steady count since an epoch of the shell's choice.
using TimePoint = std::chrono::nanoseconds;

enum class TimerId : std::size_t { RecvOv, UpdateOv, SendEnd, FastReset };
inline constexpr std::size_t kTimerCount = 4;

// The engine's one-shot timers as deadlines. Starting a running timer restarts it, so a
// full interval begins anew.
class TimerTable {
public:
    void Start(TimerId id, TimePoint now, std::chrono::milliseconds interval);
    void Stop(TimerId id);
    bool Enabled(TimerId id) const;
    std::optional<TimePoint> Deadline(TimerId id) const;
    std::optional<TimePoint> NextDeadline() const;
    // The running timer with the earliest deadline at or before now; ties go to the lower id.
    std::optional<TimerId> FirstDue(TimePoint now) const;

private:
    std::array<std::optional<TimePoint>, kTimerCount> deadlines_{};
};

}  // namespace ymodem
