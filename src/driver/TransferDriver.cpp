#include "TransferDriver.h"

#include <algorithm>
#include <chrono>
#include <type_traits>

#include "CommError.h"

namespace ymodem {

TransferDriver::Clock TransferDriver::SteadyClock() {
    const auto started = std::chrono::steady_clock::now();
    return [started] {
        return std::chrono::duration_cast<TimePoint>(std::chrono::steady_clock::now() - started);
    };
}

TransferDriver::TransferDriver(SerialControl& control, BurnFileSource& files, TextEncoder encoder,
                               WakeTimer& wake, Clock clock)
    : control_(control),
      engine_(control, files, std::move(encoder)),
      wake_(wake),
      clock_(std::move(clock)) {
    wake_.SetHandler([this] { Wake(); });
    control_.SetListener(this);
}

TransferDriver::~TransferDriver() {
    control_.SetListener(nullptr);
    wake_.SetHandler({});
    wake_.Stop();
}

template <typename Input>
auto TransferDriver::Run(Input&& input) {
    if constexpr (std::is_void_v<decltype(input())>) {
        input();
        Settle();
    } else {
        auto result = input();
        Settle();
        return result;
    }
}

void TransferDriver::Settle() {
    DeliverEvents();
    Rearm();
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

// The engine judges what the device said last and halts before the owner hears of the loss,
// so that a batch the device ended on its way out counts as ended.
void TransferDriver::OnPortLost() {
    Run([&] { engine_.OnPortLost(); });
    if (portLostHandler_) portLostHandler_();
}

void TransferDriver::OnComm() {
    Run([&] {
        const int event = control_.CommEvent();
        try {
            const std::vector<std::uint8_t> input = control_.Input();
            engine_.OnComm(ArrivalOnClock(control_.InputArrived()), event, input);
        } catch (const CommError&) {
            engine_.OnCommFailed();
        }
    });
}

void TransferDriver::Wake() {
    Run([&] { engine_.OnWake(Handed(Now())); });
}

// Bytes count from when the system had them, not from when the loop got to them: their age
// is taken off now. Bytes of unknown arrival arrived now.
TimePoint TransferDriver::ArrivalOnClock(std::optional<ArrivalTime> arrived) {
    const TimePoint now = Now();
    if (!arrived) return Handed(now);
    const auto age = std::chrono::steady_clock::now() - *arrived;
    if (age <= age.zero()) return Handed(now);
    return Handed(now - std::chrono::duration_cast<TimePoint>(age));
}

// The engine's time never runs back, even for bytes that arrived before a timer the loop
// handled first.
TimePoint TransferDriver::Handed(TimePoint time) {
    lastHanded_ = std::max(lastHanded_, time);
    return lastHanded_;
}

void TransferDriver::DeliverEvents() {
    while (const auto event = engine_.PollEvent()) {
        if (eventHandler_) eventHandler_(*event);
    }
}

void TransferDriver::Rearm() {
    const auto next = engine_.NextWake();
    if (!next) {
        wake_.Stop();
        return;
    }
    // Rounded up, so that the engine finds its timer due when we wake it.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Now());
    wake_.Start(std::max(wait, std::chrono::milliseconds(0)));
}

}  // namespace ymodem
