#include "QtWakeTimer.h"

namespace ymodem {

QtWakeTimer::QtWakeTimer() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_) handler_();
    });
}

void QtWakeTimer::SetHandler(Handler handler) {
    handler_ = std::move(handler);
}

void QtWakeTimer::Start(std::chrono::milliseconds wait) {
    timer_.start(wait);
}

void QtWakeTimer::Stop() {
    timer_.stop();
}

}  // namespace ymodem
