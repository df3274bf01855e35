#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace ymodem {

// Cuts the byte stream from the sender into frames by the length their first byte
// announces. Bytes that cannot start a frame while none is open are line noise, except
// two CANs in a row: the sender's abort.
class FrameAssembler {
public:
    // Takes one byte; returns the frame it completes.
    std::optional<std::vector<std::uint8_t>> Push(std::uint8_t byte);

    bool Open() const { return !partial_.empty(); }
    bool SenderCancelled() const { return cancels_ >= 2; }
    void Discard() { partial_.clear(); }

private:
    std::vector<std::uint8_t> partial_;
    std::size_t expected_ = 0;
    int cancels_ = 0;  // CANs in a row outside a frame
};

}  // namespace ymodem
