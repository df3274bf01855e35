#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "AcknowledgedBytes.h"
#include "BurnFileSource.h"
#include "ConsoleView.h"
#include "DeviceReply.h"
#include "FlashRecord.h"
#include "PortFactory.h"
#include "RunImage.h"
#include "SendOptions.h"
#include "TransferDriver.h"

namespace ymodem {

// One port of a ymodem-send run: opens it as the window's open button does (or waits for
// it to appear), serves every C from its device until its count is reached, and makes a
// record of every transfer that began with block 0. With --expect, each finished transfer
// is followed by a wait for the board's own word that its new program runs; meanwhile the
// device's C starts nothing. Everything it prints for the port starts with the prefix.
class PortSender {
public:
    using WallClock = std::function<std::chrono::system_clock::time_point()>;
    using RecordHandler = std::function<void(const FlashRecord&)>;
    using DoneHandler = std::function<void()>;

    struct Output {
        SendConsole* Console = nullptr;  // the run's output, error stream and progress line
        std::string Prefix;
        bool ShowFileLine = true;
    };

    PortSender(std::string port, PortFactory& factory, RunImage& image, const SendOptions& options,
               Output output, TransferDriver::Clock clock, WallClock wallClock);
    ~PortSender();
    PortSender(const PortSender&) = delete;
    PortSender& operator=(const PortSender&) = delete;

    void OnRecord(RecordHandler handler) { record_ = std::move(handler); }
    // Called once, when the port has ended its part of the run (see ExitCode).
    void OnDone(DoneHandler handler) { done_ = std::move(handler); }

    bool LoadBurnFile();
    // Opens the port, or starts waiting for it; false when it has ended at once.
    bool Start();
    // The run ends from outside, with the code given (an interrupt, --timeout): a transfer
    // under way is cancelled with CAN CAN behind the frame still leaving, and recorded as
    // aborted; a board still awaited as unverified. Close() drains the port afterwards, so
    // that the cancels of many ports leave together.
    void Cancel(int exitCode);
    // Waits for what is still leaving, then closes the port.
    void Close();

    // Set once the port is done: the code a run of this port alone would end with.
    std::optional<int> ExitCode() const { return exitCode_; }
    bool EverOpened() const { return everOpened_; }
    int Flashed() const { return flashed_; }
    int Failed() const { return failed_; }
    int Transfers() const { return transfers_; }
    const std::string& Port() const { return port_; }
    TransferDriver& Driver() { return *driver_; }

private:
    struct Transfer {
        TimePoint Started{};
        int Blocks = 0;
    };

    bool TryOpen();
    void Opened();
    bool RetryLater(int errorNumber);
    void WaitForPort();
    bool WatchForArrival();
    void StopWaiting();
    void Poll();
    std::string OpenFailureText(int errorNumber, const std::string& reason) const;

    void HandleEvent(const TransferEvent& event);
    void Track(const TransferEvent& event);
    void EndTransfer(std::optional<FlashResult> result);
    void HandleTransferEnded(event::TransferOutcome outcome);
    FlashRecord MakeRecord(FlashResult result, const Transfer& ended) const;
    void Record(FlashRecord record);
    void CountFinished();

    void HandleInput(std::span<const std::uint8_t> input);
    void StartVerifying(FlashRecord record);
    void ArmVerifyTimer();
    void OnVerifyTimer();
    void Judge(DeviceReply::Verdict verdict);
    void EndVerifying(bool confirmed);
    void ArmSessionEndBeforeTheLastTransfer();
    void HandlePortLost();

    void ShowStatus(const std::string& text);
    void Message(const std::string& text);
    void Succeed();
    void Fail(int exitCode, const std::string& message);
    void Finish(int exitCode);

    std::string port_;
    PortFactory& factory_;
    const SendOptions& options_;
    Output output_;
    std::unique_ptr<SerialControl> comm_;
    std::unique_ptr<WakeTimer> wake_;
    std::unique_ptr<WakeTimer> poll_;
    std::unique_ptr<PortWatch> watch_;  // while the port is waited for, where the system tells
    std::unique_ptr<WakeTimer> verifyTimer_;
    std::unique_ptr<TransferDriver> driver_;
    RunImage& image_;
    AcknowledgedBytes acknowledged_;
    ConsoleView view_;
    WallClock wallClock_;
    RecordHandler record_;
    DoneHandler done_;

    std::string crc16_;
    std::string sha256_;
    std::string lastStatus_;
    std::optional<Transfer> transfer_;
    // The device's bytes since the EOT left: what follows its ACK is the program's first word.
    std::optional<std::vector<std::uint8_t>> sinceEot_;
    struct Verification {
        DeviceReply Reply;
        FlashRecord Record;
        TimePoint Deadline{};
    };
    std::optional<Verification> verifying_;
    std::optional<TimePoint> refusedSince_;  // when the system first refused the port
    bool waitAnnounced_ = false;
    bool everOpened_ = false;
    int transfers_ = 0;
    int flashed_ = 0;
    int failed_ = 0;
    int unconfirmed_ = 0;
    std::optional<int> exitCode_;
};

}  // namespace ymodem
