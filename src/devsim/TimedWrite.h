#pragma once

#include <cstdint>
#include <vector>

#include "DeadlineTable.h"

namespace ymodem {

// Bytes to hand to the line at a moment, as one write: a sender that cuts its input at
// quiet gaps must see each reply whole.
struct TimedWrite {
    TimePoint At{};
    std::vector<std::uint8_t> Data;
};

}  // namespace ymodem
