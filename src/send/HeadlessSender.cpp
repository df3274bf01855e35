#include "HeadlessSender.h"

#include "CommError.h"
#include "CommSetup.h"
#include "StatusTexts.h"
#include "SystemEncoding.h"
#include "Utf8Text.h"

namespace ymodem {

namespace {

// Long enough for a 1029-byte block at 9600 baud.
constexpr int kDrainMs = 2000;

}  // namespace

HeadlessSender::HeadlessSender(SerialControl& comm, BurnFileSource& files, SendOptions options,
                               std::FILE* out, std::FILE* err, bool showBar,
                               TransferDriver::Clock clock)
    : comm_(comm),
      options_(std::move(options)),
      err_(err),
      driver_(comm, files, ToSystem8Bit, std::move(clock)),
      view_(
          out, showBar ? err : nullptr, [this] { return driver_.Now(); },
          [this] { return static_cast<long>(driver_.State().SentLen); }) {
    driver_.OnEvent([this](const TransferEvent& event) { HandleEvent(event); });
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, &HeadlessSender::HandleTimeout);
    connect(&comm_, &SerialControl::PortLost, this, &HeadlessSender::HandlePortLost);
}

std::optional<int> HeadlessSender::Start() {
    if (!driver_.LoadBurnFile(options_.File)) return kExitLoadFailed;
    if (const auto failed = OpenPort()) return failed;
    ArmSessionEndBeforeTheLastTransfer();
    if (options_.TimeoutSeconds > 0) timeout_.start(options_.TimeoutSeconds * 1000);
    return std::nullopt;
}

std::optional<int> HeadlessSender::OpenPort() {
    try {
        ApplyLineSettings(comm_, options_.Port, QString::number(options_.Baud));
        comm_.SetPortOpen(true);
    } catch (const CommError& error) {
        const QString windowText = PortFailureText(comm_, error.Number());
        if (!windowText.isEmpty()) {
            std::fprintf(err_, "%s\n", ToUtf8(windowText).c_str());
        } else if (error.Number() == CommError::kPermissionDenied) {
            std::fprintf(err_,
                         "ymodem-send: no permission to open %s (on Linux, join the dialout "
                         "group and log in again)\n",
                         ToUtf8(options_.Port).c_str());
        } else {
            std::fprintf(err_, "ymodem-send: cannot open %s at %d baud: %s\n",
                         ToUtf8(options_.Port).c_str(), options_.Baud, error.what());
        }
        return kExitPortFailed;
    }
    view_.PrintLine(ToUtf8(PortOpenedText(comm_)));
    return std::nullopt;
}

void HeadlessSender::HandleEvent(const TransferEvent& event) {
    // Only the load can refuse the file here, and that ends the run before it serves.
    if (std::holds_alternative<event::NoBurnFile>(event)) {
        std::fprintf(err_, "%s\n", std::string(texts::kChooseBurnFile).c_str());
        return;
    }
    view_.Show(event);
    if (std::holds_alternative<event::Finished>(event)) CountFinished();
    if (std::holds_alternative<event::SessionEnded>(event)) Succeed();
}

void HeadlessSender::CountFinished() {
    ++finished_;
    if (options_.EndSession) {
        ArmSessionEndBeforeTheLastTransfer();
    } else if (options_.Count > 0 && finished_ >= options_.Count) {
        Succeed();
    }
}

// With --end-session the run ends with the batch, which the last wanted transfer closes.
void HeadlessSender::ArmSessionEndBeforeTheLastTransfer() {
    if (options_.EndSession && finished_ + 1 == options_.Count) {
        driver_.EndSessionAfterNextFinish();
    }
}

void HeadlessSender::Succeed() {
    if (done_) return;
    done_ = true;
    Stop();
    emit Finished(kExitDone);
}

void HeadlessSender::HandlePortLost() {
    Fail(kExitPortLost, "ymodem-send: the port was lost while open: " +
                            ToUtf8(PortFailureText(comm_, CommError::kDeviceUnavailable)));
}

void HeadlessSender::HandleTimeout() {
    Fail(kExitTimedOut, "ymodem-send: timed out after " + std::to_string(options_.TimeoutSeconds) +
                            " s, " + std::to_string(finished_) + " of " +
                            std::to_string(options_.Count) + " transfers finished");
}

void HeadlessSender::Fail(int exitCode, const std::string& message) {
    if (done_) return;
    done_ = true;
    std::fprintf(err_, "%s\n", message.c_str());
    std::fflush(err_);
    Stop();
    emit Finished(exitCode);
}

void HeadlessSender::Interrupt() {
    done_ = true;
    driver_.Abort();
    Stop();
}

void HeadlessSender::Stop() {
    timeout_.stop();
    try {
        // A frame or a cancel still leaving must reach the device whole.
        if (comm_.PortOpen()) comm_.WaitForOutput(kDrainMs);
        comm_.SetPortOpen(false);
    } catch (const CommError&) {
        // Closing is the last thing we do; nothing is left to report it to.
    }
}

}  // namespace ymodem
