#include "HeadlessSender.h"

#include <chrono>

#include "CommError.h"
#include "CommSetup.h"
#include "StatusTexts.h"
#include "SystemEncoding.h"

namespace ymodem {

namespace {

// Long enough for a 1029-byte block at 9600 baud.
constexpr int kDrainMs = 2000;

}  // namespace

HeadlessSender::HeadlessSender(SerialControl& comm, BurnFileSource& files, SendOptions options,
                               std::FILE* out, std::FILE* err, bool showBar, WakeTimer& wake,
                               WakeTimer& timeout, TransferDriver::Clock clock)
    : comm_(comm),
      options_(std::move(options)),
      err_(err),
      driver_(comm, files, ToSystem8Bit, wake, std::move(clock)),
      view_(
          out, showBar ? err : nullptr, [this] { return driver_.Now(); },
          [this] { return static_cast<long>(driver_.State().SentLen); }),
      timeout_(timeout) {
    driver_.OnEvent([this](const TransferEvent& event) { HandleEvent(event); });
    driver_.OnPortLost([this] { HandlePortLost(); });
    timeout_.SetHandler([this] { HandleTimeout(); });
}

HeadlessSender::~HeadlessSender() {
    timeout_.SetHandler({});
    timeout_.Stop();
}

std::optional<int> HeadlessSender::Start() {
    if (!driver_.LoadBurnFile(options_.File)) return kExitLoadFailed;
    if (const auto failed = OpenPort()) return failed;
    ArmSessionEndBeforeTheLastTransfer();
    if (options_.TimeoutSeconds > 0) timeout_.Start(std::chrono::seconds(options_.TimeoutSeconds));
    return std::nullopt;
}

std::optional<int> HeadlessSender::OpenPort() {
    try {
        ApplyLineSettings(comm_, options_.Port, std::to_string(options_.Baud));
        comm_.SetPortOpen(true);
    } catch (const CommError& error) {
        const std::string windowText = PortFailureText(comm_, error.Number());
        if (!windowText.empty()) {
            std::fprintf(err_, "%s\n", windowText.c_str());
        } else if (error.Number() == CommError::kPermissionDenied) {
            std::fprintf(err_,
                         "ymodem-send: no permission to open %s (on Linux, join the dialout "
                         "group and log in again)\n",
                         options_.Port.c_str());
        } else {
            std::fprintf(err_, "ymodem-send: cannot open %s at %d baud: %s\n",
                         options_.Port.c_str(), options_.Baud, error.what());
        }
        return kExitPortFailed;
    }
    view_.PrintLine(PortOpenedText(comm_));
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
    ++transfers_;
    if (options_.EndSession) {
        ArmSessionEndBeforeTheLastTransfer();
    } else if (options_.Count > 0 && transfers_ >= options_.Count) {
        Succeed();
    }
}

// With --end-session the run ends with the batch, which the last wanted transfer closes.
void HeadlessSender::ArmSessionEndBeforeTheLastTransfer() {
    if (options_.EndSession && transfers_ + 1 == options_.Count) {
        driver_.EndSessionAfterNextFinish();
    }
}

void HeadlessSender::Succeed() {
    if (done_) return;
    done_ = true;
    Stop();
    Finish(kExitDone);
}

void HeadlessSender::HandlePortLost() {
    Fail(kExitPortLost, "ymodem-send: the port was lost while open: " +
                            PortFailureText(comm_, CommError::kDeviceUnavailable));
}

void HeadlessSender::HandleTimeout() {
    Fail(kExitTimedOut, "ymodem-send: timed out after " + std::to_string(options_.TimeoutSeconds) +
                            " s, " + std::to_string(transfers_) + " of " +
                            std::to_string(options_.Count) + " transfers finished");
}

void HeadlessSender::Fail(int exitCode, const std::string& message) {
    if (done_) return;
    done_ = true;
    std::fprintf(err_, "%s\n", message.c_str());
    std::fflush(err_);
    Stop();
    Finish(exitCode);
}

void HeadlessSender::Finish(int exitCode) {
    if (finished_) finished_(exitCode);
}

void HeadlessSender::Interrupt() {
    done_ = true;
    driver_.Abort();
    Stop();
}

void HeadlessSender::Stop() {
    timeout_.Stop();
    try {
        // A frame or a cancel still leaving must reach the device whole.
        if (comm_.PortOpen()) comm_.WaitForOutput(kDrainMs);
        comm_.SetPortOpen(false);
    } catch (const CommError&) {
        // Closing is the last thing we do; nothing is left to report it to.
    }
}

}  // namespace ymodem
