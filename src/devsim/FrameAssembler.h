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

// The byte of YMODEM's abort; two in a row between frames cancel the session.
inline constexpr std::uint8_t kCancel = 0x18;

// Cuts the byte stream from the sender into frames by the length their first byte
// announces. Bytes that cannot start a frame while none is open are line noise, except
// two CANs in a row: the sender's abort.
class FrameAssembler {
public:
    // Takes one byte; returns the frame it completes.
    std::optional<std::vector<std::uint8_t>> Push(TimePoint now, std::uint8_t byte);

    bool Open() const { return !partial_.empty(); }
    bool SenderCancelled() const { return cancels_ >= 2; }
    std::optional<TimePoint> StallDeadline() const;
    void Discard() { partial_.clear(); }

private:
    std::vector<std::uint8_t> partial_;
    std::size_t expected_ = 0;
    int cancels_ = 0;  // CANs in a row outside a frame
    TimePoint lastByte_{};
};

}  // namespace ymodem
