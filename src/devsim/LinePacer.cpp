#include "LinePacer.h"

#include <algorithm>

namespace ymodem {

std::chrono::nanoseconds LinePacer::WireTime(std::uint32_t baud, std::size_t count) {
    if (baud == 0) return std::chrono::nanoseconds{0};
    // One product and one division per span, so that a long run of bytes does not gather
    // the rounding of every single byte time.
    constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
    return std::chrono::nanoseconds{static_cast<std::int64_t>(count) * kBitsPerByte *
                                    kNanosPerSecond / baud};
}

void LinePacer::Receive(TimePoint now, std::span<const std::uint8_t> chunk) {
    const TimePoint start = std::max(now, receiveFree_);
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        arrivals_.push_back(Arrival{start + WireTime(baud_, i + 1), chunk[i]});
    }
    receiveFree_ = start + WireTime(baud_, chunk.size());
}

LinePacer::Arrival LinePacer::PopArrival() {
    const Arrival arrival = arrivals_.front();
    arrivals_.pop_front();
    return arrival;
}

TimePoint LinePacer::Send(TimePoint at, std::size_t count) {
    sendFree_ = std::max(at, sendFree_) + WireTime(baud_, count);
    return sendFree_;
}

}  // namespace ymodem
