#pragma once

#include <functional>
#include <optional>
#include <string>

#include "BurnFileSource.h"
#include "SerialControl.h"
#include "TextEncoder.h"
#include "TransferEngine.h"
#include "WakeTimer.h"

namespace ymodem {

// Runs the transfer engine on an event loop and is the only way into it. It is the serial
// control's one listener: it hands the engine the receive events with the time the bytes
// arrived, the program's loads and the current time, passes every event the engine reports to its
// owner, and after each of these arms the wake-up timer for the engine's next deadline. A lost port
// reaches the owner only after the engine has halted and its last events have been handed on.
class TransferDriver final : private SerialListener {
public:
    using Clock = std::function<TimePoint()>;
    using EventHandler = std::function<void(const TransferEvent&)>;
    using PortLostHandler = std::function<void()>;

    // A steady clock that starts at 0 when called.
    static Clock SteadyClock();

    TransferDriver(SerialControl& control, BurnFileSource& files, TextEncoder encoder,
                   WakeTimer& wake, Clock clock = SteadyClock());
    ~TransferDriver() override;
    TransferDriver(const TransferDriver&) = delete;
    TransferDriver& operator=(const TransferDriver&) = delete;

    void OnEvent(EventHandler handler) { eventHandler_ = std::move(handler); }
    void OnPortLost(PortLostHandler handler) { portLostHandler_ = std::move(handler); }

    bool LoadBurnFile(const std::string& path);
    void FillProgressBar();
    void EndSessionAfterNextFinish();
    // Cancels a transfer under way; gives whether anything was sent.
    bool Abort();
    void SetHeadReplyTimeout(std::optional<std::chrono::milliseconds> timeout) {
        engine_.SetHeadReplyTimeout(timeout);
    }
    void SetImageLimit(std::int32_t bytes) { engine_.SetImageLimit(bytes); }
    void SetStreamOnG(bool stream) { engine_.SetStreamOnG(stream); }

    TimePoint Now() const { return clock_(); }
    std::optional<TimePoint> NextWake() const { return engine_.NextWake(); }
    const TransferState& State() const { return engine_.State(); }
    const event::Progress& ProgressBar() const { return engine_.ProgressBar(); }

private:
    // Every input goes through here, so that no caller can forget the events or the timer.
    template <typename Input>
    auto Run(Input&& input);
    // Hands out the events and arms the timer.
    void Settle();
    void DeliverEvents();
    void Rearm();

    void OnComm() override;
    void OnPortLost() override;
    void Wake();
    TimePoint ArrivalOnClock(std::optional<ArrivalTime> arrived);
    TimePoint Handed(TimePoint time);

    SerialControl& control_;
    TransferEngine engine_;
    WakeTimer& wake_;
    Clock clock_;
    // The latest time handed to the engine.
    TimePoint lastHanded_ = TimePoint::min();
    EventHandler eventHandler_;
    PortLostHandler portLostHandler_;
};

}  // namespace ymodem
