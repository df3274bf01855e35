#pragma once

#include <algorithm>

namespace ymodem {

// What a bar can draw of the Max and Value a ProgressBarControl keeps exactly as set: a
// range of at least one step, as a range of 0 to 0 is a busy animation to some toolkits,
// and the value clamped into it. A Max of 0 or less draws an empty bar.
struct ProgressRange {
    int Max = 1;
    int Value = 0;

    static constexpr ProgressRange Drawable(int max, int value) {
        const int shownMax = std::max(max, 1);
        return ProgressRange{shownMax, std::clamp(max > 0 ? value : 0, 0, shownMax)};
    }
};

}  // namespace ymodem
