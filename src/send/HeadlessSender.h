#pragma once

#include <QObject>
#include <QTimer>

#include "ConsoleView.h"
#include "DiskBurnFileSource.h"
#include "SendOptions.h"
#include "SerialControl.h"
#include "TransferDriver.h"
#include "TransferEngine.h"

namespace ymodem {

// The window's transfer without the window: loads the burn file, opens the port as the
// open button does and serves every C from the device, printing each status text.
class HeadlessSender : public QObject {
    Q_OBJECT

public:
    HeadlessSender(SerialControl& comm, BurnFileSource& files, SendOptions options, std::FILE* out,
                   std::FILE* err, bool showBar);

    // Loads and opens; gives an exit code when the run ends before it starts serving.
    std::optional<int> Start();
    // Closes the port, as on an interrupt.
    void Stop();

    TransferEngine& Engine() { return engine_; }

signals:
    void Finished(int exitCode);

private:
    std::optional<int> OpenPort();
    void HandleStatus(const std::string& text);
    void HandlePortLost();
    void HandleTimeout();
    void Fail(int exitCode, const std::string& message);

    SerialControl& comm_;
    SendOptions options_;
    std::FILE* err_;
    ConsoleView view_;
    TransferEngine engine_;
    TransferDriver driver_;
    QTimer timeout_;
    int finished_ = 0;
    bool done_ = false;
};

}  // namespace ymodem
