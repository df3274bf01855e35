#pragma once

#include "ProgressBarControl.h"
#include "ProgressRange.h"

namespace ymodem {

// A toolkit's progress bar: it keeps Max and Value exactly as set and reads them back
// unchanged, and draws only what a bar can show of them (see ProgressRange). The toolkit's
// part is Draw; its constructor calls Redraw once the bar exists.
class DrawnProgressBar : public ProgressBarControl {
public:
    int Max() const { return max_; }
    void SetMax(int max) final {
        max_ = max;
        Redraw();
    }
    int Value() const { return value_; }
    void SetValue(int value) final {
        value_ = value;
        Redraw();
    }

protected:
    void Redraw() { Draw(ProgressRange::Drawable(max_, value_)); }

private:
    virtual void Draw(ProgressRange shown) = 0;

    int max_ = 100;
    int value_ = 0;
};

}  // namespace ymodem
