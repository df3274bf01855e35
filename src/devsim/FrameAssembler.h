#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "TimerTable.h"

namespace ymodem {

// A frame that stops arriving half way is given up after this long, so that a lost byte
// costs one retransmission instead of swallowing the start of the next frame.
inline constexpr std::chrono::seconds kFrameStallTimeout{1};

// Cuts the byte stream from the sender into frames by the length their first byte
// announces. Bytes that cannot start a frame while none is open are line noise.
class FrameAssembler {
public:
    // Takes one byte; returns the frame it completes.
    std::optional<std::vector<std::uint8_t>> Push(TimePoint now, std::uint8_t byte);

    bool Open() const { return !partial_.empty(); }
    std::optional<TimePoint> StallDeadline() const;
    void Discard() { partial_.clear(); }

private:
    std::vector<std::uint8_t> partial_;
    std::size_t expected_ = 0;
    TimePoint lastByte_{};
};

}  // namespace ymodem
