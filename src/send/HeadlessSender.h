#pragma once

#include <QObject>
#include <QTimer>

#include "ConsoleView.h"
#include "DiskBurnFileSource.h"
#include "SendOptions.h"
#include "SerialControl.h"
#include "TransferDriver.h"

namespace ymodem {

// The window's transfer without the window: loads the burn file, opens the port as the
// open button does and serves every C from the device, printing each status text.
class HeadlessSender : public QObject {
    Q_OBJECT

public:
    HeadlessSender(SerialControl& comm, BurnFileSource& files, SendOptions options, std::FILE* out,
                   std::FILE* err, bool showBar,
                   TransferDriver::Clock clock = TransferDriver::SteadyClock());

    // Loads and opens; gives an exit code when the run ends before it starts serving.
    std::optional<int> Start();
    // Cancels a transfer under way on the line, lets the cancel leave and closes the port.
    void Interrupt();
    // Closes the port once what was written has left.
    void Stop();

    TransferDriver& Driver() { return driver_; }

signals:
    void Finished(int exitCode);

private:
    std::optional<int> OpenPort();
    void HandleEvent(const TransferEvent& event);
    void CountFinished();
    void ArmSessionEndBeforeTheLastTransfer();
    void Succeed();
    void HandlePortLost();
    void HandleTimeout();
    void Fail(int exitCode, const std::string& message);

    SerialControl& comm_;
    SendOptions options_;
    std::FILE* err_;
    TransferDriver driver_;
    ConsoleView view_;
    QTimer timeout_;
    int finished_ = 0;
    bool done_ = false;
};

}  // namespace ymodem
