#include "PortSender.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "CommError.h"
#include "CommSetup.h"
#include "EventText.h"
#include "Frames.h"
#include "StatusTexts.h"
#include "SystemFileNaming.h"

namespace ymodem {

namespace {

// Long enough for a 1029-byte block at 9600 baud.
constexpr int kDrainMs = 2000;
// How often a missing port is looked for, or one the system still refuses.
constexpr std::chrono::milliseconds kPollInterval{200};
// How often a missing port is looked for all the same where the system tells of its
// arrival: only in case the news missed it (a link to a link, say).
constexpr std::chrono::milliseconds kWatchedPollInterval{1000};
// How long a port that has appeared may still be refused while udev sets it up.
constexpr std::chrono::seconds kSetUpGrace{2};
// A boot loader's C is followed by a second or more of silence while it waits for the
// sender; a program's text that happens to start with C goes on well before this.
constexpr std::chrono::milliseconds kRequestSilence{100};
// What the board may print after its EOT's ACK before the program's word is looked for.
constexpr std::size_t kMostEotReplyBytes = 4096;

constexpr const char* kConfirmedText = "设备回应: ";
constexpr const char* kUnconfirmedText = "设备未确认新程序";

std::string CrcText(const std::array<std::uint8_t, 2>& crc) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X%02X", crc[0], crc[1]);
    return text;
}

}  // namespace

PortSender::PortSender(std::string port, PortFactory& factory, RunImage& image,
                       const SendOptions& options, Output output, TransferDriver::Clock clock,
                       WallClock wallClock)
    : port_(std::move(port)),
      factory_(factory),
      options_(options),
      output_(std::move(output)),
      comm_(factory.MakeSerialControl()),
      wake_(factory.MakeWakeTimer()),
      poll_(factory.MakeWakeTimer()),
      verifyTimer_(factory.MakeWakeTimer()),
      driver_(std::make_unique<TransferDriver>(*comm_, image, SystemFileNaming(), *wake_,
                                               std::move(clock))),
      image_(image),
      view_(
          *output_.Console, [this] { return driver_->Now(); },
          [this] { return acknowledged_.Count(comm_->PortOpen() ? comm_->OutBufferCount() : 0); },
          output_.Prefix),
      wallClock_(std::move(wallClock)) {
    driver_->OnEvent([this](const TransferEvent& event) { HandleEvent(event); });
    driver_->OnPortLost([this] { HandlePortLost(); });
    driver_->OnInput([this](std::span<const std::uint8_t> input) { HandleInput(input); });
    // The sender takes what the window refuses: large images, and receivers that ask with G.
    driver_->SetImageLimit(kMaxLargeImageSize);
    driver_->SetStreamOnG(true);
    driver_->SetStreamLineRate(options_.Baud / 10);  // 8N1: ten bits a byte
    if (options_.EraseTimeoutMs) {
        driver_->SetHeadReplyTimeout(std::chrono::milliseconds(*options_.EraseTimeoutMs));
    }
    poll_->SetHandler([this] { Poll(); });
    verifyTimer_->SetHandler([this] { OnVerifyTimer(); });
}

PortSender::~PortSender() {
    poll_->SetHandler({});
    StopWaiting();
    verifyTimer_->SetHandler({});
    verifyTimer_->Stop();
}

bool PortSender::LoadBurnFile() {
    if (!driver_->LoadBurnFile(options_.File)) return false;
    sha256_ = image_.Sha256Hex();
    return true;
}

// ---- opening and waiting ---------------------------------------------------------------

bool PortSender::Start() {
    if (!TryOpen()) return false;
    ArmSessionEndBeforeTheLastTransfer();
    return true;
}

// Gives false once the port has failed for good.
bool PortSender::TryOpen() {
    try {
        ApplyLineSettings(*comm_, port_, std::to_string(options_.Baud));
        comm_->SetPortOpen(true);
    } catch (const CommError& error) {
        if (RetryLater(error.Number())) return true;
        Fail(kExitPortFailed, OpenFailureText(error.Number(), error.what()));
        return false;
    }
    Opened();
    return true;
}

void PortSender::Opened() {
    StopWaiting();
    everOpened_ = true;
    waitAnnounced_ = false;
    refusedSince_.reset();
    ShowStatus(PortOpenedText(*comm_));
}

// A port that is not there yet is looked for again; one the system refuses for permission
// or as busy is tried again for a while, as udev may still be setting it up.
bool PortSender::RetryLater(int errorNumber) {
    if (!options_.WaitPort) return false;
    if (errorNumber == CommError::kPermissionDenied || errorNumber == CommError::kPortAlreadyOpen) {
        const TimePoint now = driver_->Now();
        if (!refusedSince_) refusedSince_ = now;
        if (now - *refusedSince_ >= kSetUpGrace) return false;
    } else if (errorNumber == CommError::kDeviceUnavailable) {
        refusedSince_.reset();
    } else {
        return false;
    }
    WaitForPort();
    return true;
}

void PortSender::WaitForPort() {
    if (!waitAnnounced_) ShowStatus("等待" + port_ + "接入...");
    waitAnnounced_ = true;
    const auto interval =
        !refusedSince_ && WatchForArrival() ? kWatchedPollInterval : kPollInterval;
    // On a shared beat: the ports waited for are looked for in one wake-up.
    poll_->Start(
        std::chrono::ceil<std::chrono::milliseconds>(interval - driver_->Now() % interval));
}

// Whether the system tells of the port's arrival, so that the beat may be slow. A port that
// came between the last look and the start of the news brings none: the quick beat finds it.
bool PortSender::WatchForArrival() {
    if (watch_) return true;
    watch_ = factory_.WatchForPort(port_, [this] { Poll(); });
    return watch_ && !factory_.PortMayBePresent(port_);
}

void PortSender::StopWaiting() {
    poll_->Stop();
    watch_.reset();
}

// A port surely not there is looked for again without an open: a failed open costs far
// more than the look, up to five times a second for every port waited for.
void PortSender::Poll() {
    if (exitCode_) return;
    if (factory_.PortMayBePresent(port_)) {
        TryOpen();
    } else {
        refusedSince_.reset();
        WaitForPort();
    }
}

std::string PortSender::OpenFailureText(int errorNumber, const std::string& reason) const {
    const std::string windowText = PortFailureText(*comm_, errorNumber);
    if (!windowText.empty()) return windowText;
    if (errorNumber == CommError::kPermissionDenied) {
        return "ymodem-send: no permission to open " + port_ +
               " (on Linux, join the dialout group and log in again)";
    }
    return "ymodem-send: cannot open " + port_ + " at " + std::to_string(options_.Baud) +
           " baud: " + reason;
}

// ---- transfers -------------------------------------------------------------------------

void PortSender::HandleEvent(const TransferEvent& event) {
    acknowledged_.Observe(event, driver_->State());
    if (const auto* info = std::get_if<event::FileInformation>(&event)) {
        crc16_ = CrcText(info->Crc);
        if (output_.ShowFileLine) view_.Show(event);
        return;
    }
    // Only the load can refuse the file here, and that ends the run before it serves.
    if (std::holds_alternative<event::NoBurnFile>(event)) {
        if (output_.ShowFileLine) Message(std::string(texts::kChooseBurnFile));
        return;
    }
    if (const auto* ended = std::get_if<event::TransferEnded>(&event)) {
        HandleTransferEnded(ended->Outcome);
        return;
    }
    if (const auto text = PresentEvent(event)) lastStatus_ = text->Text;
    view_.Show(event);
    Track(event);
    if (std::holds_alternative<event::EotSent>(event) && options_.Expect) sinceEot_.emplace();
    if (std::holds_alternative<event::SessionEnded>(event)) Succeed();
}

void PortSender::Track(const TransferEvent& event) {
    if (std::holds_alternative<event::HandshakeStarted>(event)) {
        transfer_ = Transfer{driver_->Now()};
    } else if (!transfer_) {
        return;
    } else if (std::holds_alternative<event::BlockSent>(event)) {
        ++transfer_->Blocks;
    }
}

void PortSender::HandleTransferEnded(event::TransferOutcome outcome) {
    if (!transfer_) return;
    switch (outcome) {
        case event::TransferOutcome::Finished:
            if (options_.Expect) {
                StartVerifying(MakeRecord(FlashResult::Ok, *transfer_));
                EndTransfer(std::nullopt);
                return;
            }
            EndTransfer(FlashResult::Ok);
            CountFinished();
            return;
        case event::TransferOutcome::Rejected:
            EndTransfer(FlashResult::Rejected);
            return;
        case event::TransferOutcome::TimedOut:
            EndTransfer(FlashResult::Timeout);
            return;
        case event::TransferOutcome::Lost:
            lastStatus_ = PortFailureText(*comm_, CommError::kDeviceUnavailable);
            EndTransfer(FlashResult::PortLost);
            return;
        case event::TransferOutcome::Aborted:
        case event::TransferOutcome::Replaced:
            EndTransfer(FlashResult::Aborted);
            return;
    }
}

// Nothing: the record waits for the board's word.
void PortSender::EndTransfer(std::optional<FlashResult> result) {
    const Transfer ended = *transfer_;
    transfer_.reset();
    sinceEot_.reset();
    view_.EndTransfer();
    if (result) Record(MakeRecord(*result, ended));
}

FlashRecord PortSender::MakeRecord(FlashResult result, const Transfer& ended) const {
    FlashRecord record;
    record.Time = wallClock_();
    record.Port = port_;
    record.File = options_.File;
    record.Size = driver_->State().FileSize;
    record.Crc16 = crc16_;
    record.Sha256 = sha256_;
    record.Result = result;
    record.Blocks = ended.Blocks;
    record.DurationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(driver_->Now() - ended.Started)
            .count();
    record.Status = lastStatus_;
    return record;
}

void PortSender::Record(FlashRecord record) {
    if (record.Result == FlashResult::Ok) {
        ++flashed_;
    } else {
        ++failed_;
    }
    if (record_) record_(record);
}

void PortSender::CountFinished() {
    ++transfers_;
    if (options_.EndSession) {
        ArmSessionEndBeforeTheLastTransfer();
    } else if (options_.Count > 0 && transfers_ >= options_.Count) {
        Succeed();
    }
}

// With --end-session the port's run ends with the batch, which its last transfer closes.
void PortSender::ArmSessionEndBeforeTheLastTransfer() {
    if (options_.EndSession && transfers_ + 1 == options_.Count) {
        driver_->EndSessionAfterNextFinish();
    }
}

// ---- the board's word -----------------------------------------------------------------

void PortSender::HandleInput(std::span<const std::uint8_t> input) {
    if (verifying_) {
        Judge(verifying_->Reply.Take(input));
        return;
    }
    if (!sinceEot_ || sinceEot_->size() >= kMostEotReplyBytes) return;
    sinceEot_->insert(sinceEot_->end(), input.begin(), input.end());
}

// The bytes that came with the EOT's ACK count: a board often prints its banner at once.
// The engine hears nothing until the board has spoken, so that a C from a boot loader that
// took the image but did not start it begins no transfer.
void PortSender::StartVerifying(FlashRecord record) {
    std::vector<std::uint8_t> early = sinceEot_.value_or(std::vector<std::uint8_t>{});
    const auto ack = std::find(early.begin(), early.end(), kAck);
    early.erase(early.begin(), ack == early.end() ? ack : ack + 1);
    verifying_.emplace(
        Verification{DeviceReply(*options_.Expect), std::move(record),
                     driver_->Now() + std::chrono::seconds(options_.ExpectTimeoutSeconds)});
    driver_->SetDeaf(true);
    Judge(verifying_->Reply.Take(early));
}

void PortSender::Judge(DeviceReply::Verdict verdict) {
    if (verdict == DeviceReply::Verdict::Waiting) {
        ArmVerifyTimer();
    } else {
        EndVerifying(verdict == DeviceReply::Verdict::Confirmed);
    }
}

// The deadline, or sooner a look at whether a lone C was the boot loader's request.
void PortSender::ArmVerifyTimer() {
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(verifying_->Deadline - driver_->Now());
    if (verifying_->Reply.MayBeRequest()) wait = std::min(wait, kRequestSilence);
    verifyTimer_->Start(std::max(wait, std::chrono::milliseconds(0)));
}

void PortSender::OnVerifyTimer() {
    if (!verifying_) return;
    if (driver_->Now() >= verifying_->Deadline) {
        Judge(verifying_->Reply.TakeEnd());
    } else {
        Judge(verifying_->Reply.TakeSilence());
    }
}

void PortSender::EndVerifying(bool confirmed) {
    verifyTimer_->Stop();
    Verification ended = std::move(*verifying_);
    verifying_.reset();
    driver_->SetDeaf(false);
    if (confirmed) {
        ShowStatus(kConfirmedText + ended.Reply.Confirmation());
        ended.Record.DeviceText = ended.Reply.Confirmation();
    } else {
        ShowStatus(kUnconfirmedText);
        ended.Record.Result = FlashResult::Unverified;
        ++unconfirmed_;
    }
    ended.Record.Status = lastStatus_;
    Record(std::move(ended.Record));
    if (!exitCode_) CountFinished();
}

void PortSender::HandlePortLost() {
    if (verifying_) EndVerifying(false);
    if (exitCode_) return;
    const std::string text = PortFailureText(*comm_, CommError::kDeviceUnavailable);
    if (!options_.WaitPort) {
        Fail(kExitPortLost, "ymodem-send: the port was lost while open: " + text);
        return;
    }
    ShowStatus(text);
    WaitForPort();
}

// ---- the end of the port's run ---------------------------------------------------------

void PortSender::Cancel(int exitCode) {
    if (exitCode_) return;
    exitCode_ = exitCode;
    StopWaiting();
    driver_->Abort();
    // A transfer the sender had already stopped sent no cancel, yet ends here all the same.
    if (transfer_) EndTransfer(FlashResult::Aborted);
    if (verifying_) EndVerifying(false);
}

void PortSender::ShowStatus(const std::string& text) {
    lastStatus_ = text;
    view_.PrintLine(text);
}

void PortSender::Message(const std::string& text) {
    output_.Console->Err(output_.Prefix + text + "\n");
}

// A board that did not confirm its program fails the port's run, yet ends it no sooner.
void PortSender::Succeed() {
    if (exitCode_) return;
    Close();
    Finish(unconfirmed_ > 0 ? kExitUnconfirmed : kExitDone);
}

void PortSender::Fail(int exitCode, const std::string& message) {
    if (exitCode_) return;
    Message(message);
    Close();
    Finish(exitCode);
}

void PortSender::Finish(int exitCode) {
    exitCode_ = exitCode;
    StopWaiting();
    if (done_) done_();
}

void PortSender::Close() {
    try {
        // A frame or a cancel still leaving must reach the device whole.
        if (comm_->PortOpen()) comm_->WaitForOutput(kDrainMs);
        comm_->SetPortOpen(false);
    } catch (const CommError&) {
        // Closing is the last thing we do; nothing is left to report it to.
    }
}

}  // namespace ymodem
