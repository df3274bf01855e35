#pragma once

#include <chrono>
#include <string>

namespace ymodem {

// A moment as ISO 8601 in UTC with milliseconds, "2026-12-07T23:35:30.123Z"; earlier
// digits are truncated, never rounded up into the next second.
std::string UtcTimeText(std::chrono::system_clock::time_point time);

}  // namespace ymodem
