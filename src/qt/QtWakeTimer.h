#pragma once

#include <QTimer>

#include "WakeTimer.h"

namespace ymodem {

// The wake-up timer on the Qt event loop: a precise single-shot QTimer, so that a 2 ms
// wait is not stretched to the coarse timer's 5 percent.
class QtWakeTimer final : public WakeTimer {
public:
    QtWakeTimer();

    void SetHandler(Handler handler) override;
    void Start(std::chrono::milliseconds wait) override;
    void Stop() override;

private:
    QTimer timer_;
    Handler handler_;
};

}  // namespace ymodem
