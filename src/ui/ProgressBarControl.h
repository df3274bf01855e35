#pragma once

namespace ymodem {

// A progress bar's Max and Value, kept exactly as set: Value may lie outside 0 to Max,
// and a Max of 0 is allowed; what it draws of them is the adapter's.
class ProgressBarControl {
public:
    virtual ~ProgressBarControl() = default;

    virtual void SetMax(int max) = 0;
    virtual void SetValue(int value) = 0;
};

}  // namespace ymodem
