#include "TransferDriver.h"

#include <QElapsedTimer>
#include <memory>

#include "CommError.h"

namespace ymodem {

TransferDriver::Clock TransferDriver::SteadyClock() {
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    return [started] { return TimePoint{started->nsecsElapsed()}; };
}

TransferDriver::TransferDriver(SerialControl& control, BurnFileSource& files, TextEncoder encoder,
                               Clock clock, QObject* parent)
    : QObject(parent),
      control_(control),
      engine_(control, files, std::move(encoder)),
      clock_(std::move(clock)) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &TransferDriver::Wake);
    connect(&control_, &SerialControl::OnComm, this, &TransferDriver::HandleComm);
    connect(&control_, &SerialControl::PortLost, this, &TransferDriver::HandlePortLost);
}

template <typename Input>
auto TransferDriver::Run(Input&& input) {
    if constexpr (std::is_void_v<decltype(input())>) {
        input();
        DeliverEvents();
        Rearm();
    } else {
        auto result = input();
        DeliverEvents();
        Rearm();
        return result;
    }
}

bool TransferDriver::LoadBurnFile(const std::string& path) {
    return Run([&] { return engine_.LoadBurnFile(path); });
}

void TransferDriver::FillProgressBar() {
    Run([&] { engine_.FillProgressBar(); });
}

void TransferDriver::EndSessionAfterNextFinish() {
    Run([&] { engine_.EndSessionAfterNextFinish(); });
}

bool TransferDriver::Abort() {
    return Run([&] { return engine_.Abort(); });
}

void TransferDriver::HandlePortLost() {
    Run([&] { engine_.OnPortLost(); });
}

void TransferDriver::HandleComm() {
    Run([&] {
        const int event = control_.CommEvent();
        try {
            const std::vector<std::uint8_t> input = control_.Input();
            engine_.OnComm(Now(), event, input);
        } catch (const CommError&) {
            engine_.OnCommFailed();
        }
    });
}

void TransferDriver::Wake() {
    Run([&] { engine_.OnWake(Now()); });
}

void TransferDriver::DeliverEvents() {
    while (const auto event = engine_.PollEvent()) {
        if (handler_) handler_(*event);
    }
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

std::optional<int> TransferDriver::WakeInterval() const {
    if (!wake_.isActive()) return std::nullopt;
    return wake_.interval();
}

}  // namespace ymodem
