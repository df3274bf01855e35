#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace ymodem {

// A value that does not fit the width the transfer engine gives it. The engine's
// counts and offsets are range-tested rather than allowed to wrap.
class RangeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

template <typename Narrow, typename Wide>
Narrow CheckedNarrow(Wide value) {
    if (value < static_cast<Wide>(std::numeric_limits<Narrow>::min()) ||
        value > static_cast<Wide>(std::numeric_limits<Narrow>::max())) {
        throw RangeError("value out of range");
    }
    return static_cast<Narrow>(value);
}

}  // namespace ymodem
