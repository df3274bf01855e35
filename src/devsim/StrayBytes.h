#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace ymodem {

// Line noise from a device between its requests: random bytes that never read as a reply
// to a sender.
class StrayBytes {
public:
    explicit StrayBytes(std::uint32_t seed) : random_(seed) {}

    std::vector<std::uint8_t> Burst();

private:
    std::minstd_rand random_;
};

}  // namespace ymodem
