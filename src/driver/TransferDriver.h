#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QTimer>

#include "BurnFileSource.h"
#include "SerialControl.h"
#include "TextEncoder.h"
#include "TransferEngine.h"

namespace ymodem {

// Runs the transfer engine on the Qt event loop and is the only way into it: it hands the
// engine the serial control's receive events, the program's loads and the current time,
// passes every event the engine reports to the handler, and after each of these arms one
// precise single-shot timer for the engine's next deadline.
class TransferDriver : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<TimePoint()>;
    using EventHandler = std::function<void(const TransferEvent&)>;

    // A steady clock that starts at 0 when called.
    static Clock SteadyClock();

    TransferDriver(SerialControl& control, BurnFileSource& files, TextEncoder encoder,
                   Clock clock = SteadyClock(), QObject* parent = nullptr);

    void OnEvent(EventHandler handler) { handler_ = std::move(handler); }

    bool LoadBurnFile(const std::string& path);
    void FillProgressBar();
    void EndSessionAfterNextFinish();
    // Cancels a transfer under way; gives whether anything was sent.
    bool Abort();

    // Fires whatever engine timer is due now; the wake-up timer does the same by itself.
    void Wake();

    TimePoint Now() const { return clock_(); }
    std::optional<TimePoint> NextWake() const { return engine_.NextWake(); }
    const TransferState& State() const { return engine_.State(); }
    const event::Progress& ProgressBar() const { return engine_.ProgressBar(); }
    // The wait the wake-up timer is armed with, in milliseconds; nothing while no engine
    // timer runs.
    std::optional<int> WakeInterval() const;

private:
    // Every input goes through here, so that no caller can forget the events or the timer.
    template <typename Input>
    auto Run(Input&& input);
    void DeliverEvents();
    void Rearm();

    void HandleComm();
    void HandlePortLost();

    SerialControl& control_;
    TransferEngine engine_;
    Clock clock_;
    EventHandler handler_;
    QTimer wake_;
};

}  // namespace ymodem
