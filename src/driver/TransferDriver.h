#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "SerialControl.h"
#include "TransferEngine.h"

namespace ymodem {

// Runs the transfer engine on the Qt event loop: hands it the serial control's receive
// events and wakes it with one precise single-shot timer armed for its next deadline.
class TransferDriver : public QObject {
    Q_OBJECT

public:
    TransferDriver(SerialControl& control, TransferEngine& engine, QObject* parent = nullptr);

    TimePoint Now() const;
    // Arms the timer for the engine's next deadline; call after anything that may have
    // started or stopped one of its timers outside a receive event or a wake-up.
    void Rearm();

private:
    void HandleComm();
    void HandleWake();

    SerialControl& control_;
    TransferEngine& engine_;
    QElapsedTimer clock_;
    QTimer wake_;
};

}  // namespace ymodem
