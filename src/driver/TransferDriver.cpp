#include "TransferDriver.h"

#include "CommError.h"

namespace ymodem {

TransferDriver::TransferDriver(SerialControl& control, TransferEngine& engine, QObject* parent)
    : QObject(parent), control_(control), engine_(engine) {
    clock_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &TransferDriver::HandleWake);
    connect(&control_, &SerialControl::OnComm, this, &TransferDriver::HandleComm);
}

TimePoint TransferDriver::Now() const {
    return TimePoint{clock_.nsecsElapsed()};
}

void TransferDriver::HandleComm() {
    const int event = control_.CommEvent();
    try {
        const std::vector<std::uint8_t> input = control_.Input();
        engine_.OnComm(Now(), event, input);
    } catch (const CommError&) {
        engine_.OnCommFailed();
    }
    Rearm();
}

void TransferDriver::HandleWake() {
    engine_.OnWake(Now());
    Rearm();
}

void TransferDriver::Rearm() {
    const auto next = engine_.NextWake();
    if (!next) {
        wake_.stop();
        return;
    }
    // Rounded up, so that the engine finds its timer due when we wake it.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Now());
    wake_.start(std::max<int>(0, static_cast<int>(wait.count())));
}

}  // namespace ymodem
