#pragma once

#include <cstdint>

namespace ymodem {

// 1024-byte blocks while a whole one fits, then 128-byte blocks for the tail.
struct BlockPlan {
    std::int16_t PackCount = 0;
    std::int32_t Pack1KEnd = 0;
};

// fileSize must lie between 0 and 32767; otherwise RangeError is thrown.
BlockPlan PlanBlocks(std::int32_t fileSize);

}  // namespace ymodem
