#pragma once

#include <cstdint>

#include "BurnFileSource.h"

namespace ymodem {

// 1024-byte blocks while a whole one fits, then 128-byte blocks for the tail.
struct BlockPlan {
    std::int32_t PackCount = 0;
    std::int32_t Pack1KEnd = 0;
};

// fileSize must lie between 0 and limit (by default the window's 32767 bytes); otherwise
// RangeError is thrown.
BlockPlan PlanBlocks(std::int32_t fileSize, std::int32_t limit = kMaxBurnFileSize);

}  // namespace ymodem
