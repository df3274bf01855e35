#pragma once

#include <QProgressBar>

#include "DrawnProgressBar.h"

namespace ymodem {

// The window's progress bar as a QProgressBar; a Max of 0 draws an empty bar rather than
// the busy animation.
class QtProgressBarControl final : public QProgressBar, public DrawnProgressBar {
public:
    explicit QtProgressBarControl(QWidget* parent = nullptr);

private:
    void Draw(ProgressRange shown) override;
};

}  // namespace ymodem
