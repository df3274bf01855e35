#include "HeadlessSender.h"

#include <chrono>

namespace ymodem {

namespace {

// How long the end of a run waits for a slow log disk before it says what it waits for.
constexpr std::chrono::seconds kLogPatience{2};

}  // namespace

HeadlessSender::HeadlessSender(PortFactory& ports, BurnFileSource& files, SendOptions options,
                               std::FILE* out, std::FILE* err, bool showBar,
                               TransferDriver::Clock clock, PortSender::WallClock wallClock)
    : options_(std::move(options)),
      image_(files),
      console_(out, err, showBar ? err : nullptr),
      timeout_(ports.MakeWakeTimer()) {
    const bool several = options_.Ports.size() > 1;
    for (const std::string& port : options_.Ports) {
        PortSender::Output output;
        output.Console = &console_;
        output.Prefix = several ? port + ": " : "";
        output.ShowFileLine = ports_.empty();
        auto sender =
            std::make_unique<PortSender>(port, ports, image_, options_, output, clock, wallClock);
        sender->OnRecord([this](const FlashRecord& record) { Append(record); });
        sender->OnDone([this] { HandlePortDone(); });
        ports_.push_back(std::move(sender));
    }
    timeout_->SetHandler([this] { HandleTimeout(); });
}

HeadlessSender::~HeadlessSender() {
    timeout_->SetHandler({});
    timeout_->Stop();
}

std::optional<int> HeadlessSender::Start() {
    if (!OpenLog()) return kExitUsage;
    if (!LoadBurnFile()) return kExitLoadFailed;
    for (const auto& port : ports_) {
        // Alone, a port that cannot be opened ends the run at once, as it always has.
        if (!port->Start() && ports_.size() == 1) return port->ExitCode();
    }
    starting_ = false;
    if (AllPortsDone()) {
        done_ = true;
        PrintSummary();
        return RunExitCode();
    }
    if (options_.TimeoutSeconds > 0) timeout_->Start(std::chrono::seconds(options_.TimeoutSeconds));
    return std::nullopt;
}

bool HeadlessSender::OpenLog() {
    if (options_.LogFile.empty()) return true;
    std::string reason;
    log_ = FlashLog::Open(options_.LogFile, reason);
    if (!log_) {
        console_.PrintErr("ymodem-send: cannot open the flash log %s for appending: %s\n",
                          options_.LogFile.c_str(), reason.c_str());
    }
    return log_.has_value();
}

// The file is read once, and every port holds that one image; a refusal ends the run.
bool HeadlessSender::LoadBurnFile() {
    for (const auto& port : ports_) {
        if (port->LoadBurnFile()) continue;
        const std::string reason = image_.RefusalReason();
        if (!reason.empty()) {
            console_.PrintErr("ymodem-send: cannot send %s: %s\n", options_.File.c_str(),
                              reason.c_str());
        }
        return false;
    }
    return true;
}

void HeadlessSender::Append(const FlashRecord& record) {
    if (!log_) return;
    log_->Append(record);
    NoteLogFailure();
}

// Flashing goes on without the log: the boards on the line matter more than the record,
// and the exit code tells that it is incomplete. The log is written off the loop, so a
// failure is heard of with a later record, or at the end.
void HeadlessSender::NoteLogFailure() {
    if (logFailed_ || !log_->Failed()) return;
    logFailed_ = true;
    console_.PrintErr("ymodem-send: cannot write to the flash log %s; flashing goes on\n",
                      options_.LogFile.c_str());
}

void HeadlessSender::WaitForRecords() {
    if (!log_) return;
    if (!log_->WaitUntilWritten(kLogPatience)) {
        console_.PrintErr("ymodem-send: waiting for the flash log %s to reach the disk\n",
                          options_.LogFile.c_str());
        log_->WaitUntilWritten(std::nullopt);
    }
    NoteLogFailure();
}

void HeadlessSender::HandlePortDone() {
    if (starting_ || done_ || !AllPortsDone()) return;
    Finish();
}

bool HeadlessSender::AllPortsDone() const {
    for (const auto& port : ports_) {
        if (!port->ExitCode()) return false;
    }
    return true;
}

// The code of the first port, in command-line order, that did not succeed.
int HeadlessSender::RunExitCode() const {
    for (const auto& port : ports_) {
        if (port->ExitCode().value_or(kExitDone) != kExitDone) return *port->ExitCode();
    }
    return logFailed_ ? kExitLogFailed : kExitDone;
}

void HeadlessSender::HandleTimeout() {
    if (done_) return;
    int finished = 0;
    for (const auto& port : ports_) finished += port->Transfers();
    const auto wanted = static_cast<long>(options_.Count) * static_cast<long>(ports_.size());
    console_.PrintErr("ymodem-send: timed out after %d s, %d of %ld transfers finished\n",
                      options_.TimeoutSeconds, finished, wanted);
    // Each port that had not finished ends 4; the first port that did not succeed speaks.
    CancelAll(kExitTimedOut);
    Finish();
}

void HeadlessSender::Interrupt() {
    if (done_) return;
    done_ = true;
    timeout_->Stop();
    CancelAll(kExitInterrupted);
    WaitForRecords();
    PrintSummary();
}

// Every cancel is queued before any port is drained, so that they all leave at once.
void HeadlessSender::CancelAll(int exitCode) {
    for (const auto& port : ports_) port->Cancel(exitCode);
    for (const auto& port : ports_) port->Close();
}

// After the run's own messages, so that a refused start keeps its message last.
void HeadlessSender::PrintSummary() {
    if (options_.Quiet) return;
    bool opened = false;
    int flashed = 0;
    int failed = 0;
    for (const auto& port : ports_) {
        opened = opened || port->EverOpened();
        flashed += port->Flashed();
        failed += port->Failed();
    }
    if (!opened) return;
    for (const auto& port : ports_) {
        console_.PrintErr("%s: %d flashed, %d failed\n", port->Port().c_str(), port->Flashed(),
                          port->Failed());
    }
    if (ports_.size() > 1) console_.PrintErr("total: %d flashed, %d failed\n", flashed, failed);
}

void HeadlessSender::Finish() {
    if (done_) return;
    done_ = true;
    timeout_->Stop();
    WaitForRecords();
    PrintSummary();
    if (finished_) finished_(RunExitCode());
}

}  // namespace ymodem
