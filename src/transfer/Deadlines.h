#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

namespace ymodem {

// A set of one-shot deadlines, each either pending or not, on a steady nanosecond count.
using DeadlineSlots = std::span<const std::optional<std::chrono::nanoseconds>>;

// The earliest pending deadline.
inline std::optional<std::chrono::nanoseconds> EarliestDeadline(DeadlineSlots deadlines) {
    std::optional<std::chrono::nanoseconds> next;
    for (const auto& deadline : deadlines) {
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    return next;
}

// The slot whose pending deadline is earliest among those at or before now; on a tie the
// lower slot goes first, so callers order their slots by precedence.
inline std::optional<std::size_t> FirstDueDeadline(DeadlineSlots deadlines,
                                                   std::chrono::nanoseconds now) {
    std::optional<std::size_t> first;
    for (std::size_t i = 0; i < deadlines.size(); ++i) {
        const auto& deadline = deadlines[i];
        if (!deadline || *deadline > now) continue;
        if (!first || *deadline < *deadlines[*first]) first = i;
    }
    return first;
}

}  // namespace ymodem
