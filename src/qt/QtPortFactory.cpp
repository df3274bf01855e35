#include "QtPortFactory.h"

#include "QtSerialBackend.h"

namespace ymodem {

// A precise QTimer counts whole milliseconds: the wait is rounded up, so that the earliest
// timer is due when it fires.
QtPortFactory::QtPortFactory()
    : queue_([this](std::chrono::nanoseconds wait) {
          timer_.start(std::chrono::ceil<std::chrono::milliseconds>(wait));
      }),
      arrivals_([this](const std::string& port) { return naming_.FoldersToWatch(port); }) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { queue_.OnSystemTimer(); });
    if (arrivals_.Fd() >= 0) {
        arrivalNotifier_ = std::make_unique<QSocketNotifier>(arrivals_.Fd(), QSocketNotifier::Read);
        QObject::connect(arrivalNotifier_.get(), &QSocketNotifier::activated,
                         [this] { arrivals_.OnReadable(); });
    }
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

std::unique_ptr<PortWatch> QtPortFactory::WatchForPort(const std::string& port,
                                                       std::function<void()> changed) {
    return arrivals_.Watch(port, std::move(changed));
}

}  // namespace ymodem
