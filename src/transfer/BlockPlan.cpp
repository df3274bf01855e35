#include "BlockPlan.h"

#include "RangeError.h"

namespace ymodem {

BlockPlan PlanBlocks(std::int32_t fileSize, std::int32_t limit) {
    if (fileSize < 0 || fileSize > limit) throw RangeError("file size outside the image limit");
    const std::int32_t whole1K = fileSize / 1024;
    const std::int32_t rest = fileSize % 1024;
    BlockPlan plan;
    plan.Pack1KEnd = whole1K * 1024;
    plan.PackCount = whole1K + rest / 128 + (rest % 128 != 0 ? 1 : 0);
    return plan;
}

}  // namespace ymodem
