#include "BlockPlan.h"

#include "RangeError.h"

namespace ymodem {

BlockPlan PlanBlocks(std::int32_t fileSize) {
    const std::int16_t size = CheckedNarrow<std::int16_t>(fileSize);
    if (size < 0) throw RangeError("negative file size");
    const int whole1K = size / 1024;
    const int rest = size % 1024;
    BlockPlan plan;
    plan.Pack1KEnd = CheckedNarrow<std::int16_t>(whole1K * 1024);
    plan.PackCount = CheckedNarrow<std::int16_t>(whole1K + rest / 128 + (rest % 128 != 0 ? 1 : 0));
    return plan;
}

}  // namespace ymodem
