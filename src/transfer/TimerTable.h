#pragma once

#include "DeadlineTable.h"

namespace ymodem {

// The engine's one-shot timers. The receive event restarts RecvOv and UpdateOv; the sender
// only starts SendEnd and FastReset, so a second start leaves their tick where it was.
// StreamOut tops up the port's queue while a YMODEM-G stream runs.
enum class TimerId : std::size_t { RecvOv, UpdateOv, SendEnd, FastReset, SessionEnd, StreamOut };
inline constexpr std::size_t kTimerCount = 6;

using TimerTable = DeadlineTable<TimerId, kTimerCount>;

}  // namespace ymodem
