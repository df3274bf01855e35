#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "BurnFileSource.h"
#include "FlashLog.h"
#include "PortFactory.h"
#include "PortSender.h"
#include "SendConsole.h"
#include "SendOptions.h"
#include "TransferDriver.h"
#include "WakeTimer.h"

namespace ymodem {

// The window's transfer without the window, on every port of the command line at once:
// loads the burn file, opens each port as the open button does and serves every C from
// its device, printing each status text, keeping the flash log and, at the end, the
// summary of each port.
class HeadlessSender {
public:
    using FinishedHandler = std::function<void(int exitCode)>;

    // ports gives each port its serial control and timers, and the --timeout timer.
    HeadlessSender(PortFactory& ports, BurnFileSource& files, SendOptions options, std::FILE* out,
                   std::FILE* err, bool showBar,
                   TransferDriver::Clock clock = TransferDriver::SteadyClock(),
                   PortSender::WallClock wallClock = std::chrono::system_clock::now);
    ~HeadlessSender();
    HeadlessSender(const HeadlessSender&) = delete;
    HeadlessSender& operator=(const HeadlessSender&) = delete;

    // Called once, when the run has ended; every port is closed by then.
    void OnFinished(FinishedHandler handler) { finished_ = std::move(handler); }

    // Opens the log, loads and opens; gives an exit code when the run ends before it
    // starts serving.
    std::optional<int> Start();
    // Cancels the transfers under way on the line, closes every port and waits for the
    // flash log.
    void Interrupt();
    // Waits until every record is on the disk; a record that is not is reported. The run's
    // end waits here, and so may a test.
    void WaitForRecords();

    PortSender& Port(std::size_t index) { return *ports_.at(index); }

private:
    bool OpenLog();
    bool LoadBurnFile();
    void Append(const FlashRecord& record);
    void NoteLogFailure();
    void CancelAll(int exitCode);
    void HandlePortDone();
    bool AllPortsDone() const;
    int RunExitCode() const;
    void HandleTimeout();
    void PrintSummary();
    void Finish();

    SendOptions options_;
    RunImage image_;
    SendConsole console_;  // before the ports, which write through it
    std::vector<std::unique_ptr<PortSender>> ports_;
    std::unique_ptr<WakeTimer> timeout_;
    std::optional<FlashLog> log_;
    FinishedHandler finished_;
    bool starting_ = true;
    bool logFailed_ = false;
    bool done_ = false;
};

}  // namespace ymodem
