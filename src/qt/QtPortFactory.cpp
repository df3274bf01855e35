#include "QtPortFactory.h"

#include "QtSerialBackend.h"

namespace ymodem {

// A precise QTimer counts whole milliseconds: the wait is rounded up, so that the earliest
// timer is due when it fires.
QtPortFactory::QtPortFactory()
    : queue_([this](std::chrono::nanoseconds wait) {
          timer_.start(std::chrono::ceil<std::chrono::milliseconds>(wait));
      }) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { queue_.OnSystemTimer(); });
}

std::unique_ptr<SerialControl> QtPortFactory::MakeSerialControl() {
    return std::make_unique<SerialControl>(QtSerialBackend::SystemNaming(),
                                           std::make_unique<QtSerialBackend>());
}

std::unique_ptr<WakeTimer> QtPortFactory::MakeWakeTimer() {
    return queue_.MakeTimer();
}

bool QtPortFactory::PortMayBePresent(const std::string& port) const {
    return naming_.MayBePresent(port);
}

}  // namespace ymodem
