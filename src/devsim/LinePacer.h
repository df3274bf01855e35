#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <span>

#include "DeadlineTable.h"

namespace ymodem {

// An 8N1 line: a start bit, eight data bits and a stop bit for every byte.
inline constexpr std::int64_t kBitsPerByte = 10;

// Makes a pseudo-terminal, which moves bytes at once, keep the pace of a serial line.
// Bytes read come in one by one as fast as the line could carry them, behind whatever is
// still "on the wire"; a write leaves the line only when its last byte would have. Rate 0
// is an ideal line: everything arrives and leaves at the moment it is handed over.
class LinePacer {
public:
    struct Arrival {
        TimePoint At{};
        std::uint8_t Byte = 0;
    };

    explicit LinePacer(std::uint32_t baud) : baud_(baud) {}

    // The time count bytes spend on the wire.
    static std::chrono::nanoseconds WireTime(std::uint32_t baud, std::size_t count);

    // A chunk read at now: its first byte started arriving then, or when the line was free.
    void Receive(TimePoint now, std::span<const std::uint8_t> chunk);
    bool HasArrival() const { return !arrivals_.empty(); }
    Arrival PopArrival();
    // When the last byte read so far has crossed the line.
    TimePoint ReceiveFree() const { return receiveFree_; }

    // A write wanted at `at`; returns when its last byte has crossed the line.
    TimePoint Send(TimePoint at, std::size_t count);

private:
    std::uint32_t baud_;
    std::deque<Arrival> arrivals_;
    TimePoint receiveFree_{};
    TimePoint sendFree_{};
};

}  // namespace ymodem
