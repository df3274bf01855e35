#pragma once

#include <cstdio>
#include <functional>
#include <optional>

#include "BurnFileSource.h"
#include "ConsoleView.h"
#include "SendOptions.h"
#include "SerialControl.h"
#include "TransferDriver.h"
#include "WakeTimer.h"

namespace ymodem {

// The window's transfer without the window: loads the burn file, opens the port as the
// open button does and serves every C from the device, printing each status text.
class HeadlessSender {
public:
    using FinishedHandler = std::function<void(int exitCode)>;

    // wake serves the transfer's timers, timeout the --timeout limit.
    HeadlessSender(SerialControl& comm, BurnFileSource& files, SendOptions options, std::FILE* out,
                   std::FILE* err, bool showBar, WakeTimer& wake, WakeTimer& timeout,
                   TransferDriver::Clock clock = TransferDriver::SteadyClock());
    ~HeadlessSender();
    HeadlessSender(const HeadlessSender&) = delete;
    HeadlessSender& operator=(const HeadlessSender&) = delete;

    // Called once, when the run has ended; the port is closed by then.
    void OnFinished(FinishedHandler handler) { finished_ = std::move(handler); }

    // Loads and opens; gives an exit code when the run ends before it starts serving.
    std::optional<int> Start();
    // Cancels a transfer under way on the line, lets the cancel leave and closes the port.
    void Interrupt();
    // Closes the port once what was written has left.
    void Stop();

    TransferDriver& Driver() { return driver_; }

private:
    std::optional<int> OpenPort();
    void HandleEvent(const TransferEvent& event);
    void CountFinished();
    void ArmSessionEndBeforeTheLastTransfer();
    void Succeed();
    void HandlePortLost();
    void HandleTimeout();
    void Fail(int exitCode, const std::string& message);
    void Finish(int exitCode);

    SerialControl& comm_;
    SendOptions options_;
    std::FILE* err_;
    TransferDriver driver_;
    ConsoleView view_;
    WakeTimer& timeout_;
    FinishedHandler finished_;
    int transfers_ = 0;
    bool done_ = false;
};

}  // namespace ymodem
