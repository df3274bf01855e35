#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DeadlineTable.h"

namespace ymodem {

// One finished transfer: the image cut to the size block 0 announced.
struct ReceivedImage {
    std::string Name;  // the sender's 8-bit text, unchanged
    std::vector<std::uint8_t> Data;
    TimePoint Started{};   // block 0 taken in
    TimePoint Finished{};  // EOT taken in
};

}  // namespace ymodem
