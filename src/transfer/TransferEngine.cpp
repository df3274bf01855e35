#include "TransferEngine.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "BlockPlan.h"
#include "Crc16.h"
#include "Frames.h"
#include "RangeError.h"

namespace ymodem {

namespace {

constexpr std::int32_t kReceiveLimit = 1045;

}  // namespace

TransferEngine::TransferEngine(SerialLink& link, BurnFileSource& files, FileNaming naming)
    : link_(link), files_(files), naming_(std::move(naming)) {}

void TransferEngine::Emit(TransferEvent event) {
    events_.push_back(std::move(event));
}

std::optional<TransferEvent> TransferEngine::PollEvent() {
    if (events_.empty()) return std::nullopt;
    TransferEvent next = std::move(events_.front());
    events_.pop_front();
    return next;
}

// ---- frames ----------------------------------------------------------------------------

void TransferEngine::WriteFrame(std::span<const std::uint8_t> frame, PendingOutput pending) {
    if (!link_.PortOpen()) return;
    if (pending == PendingOutput::Discard) link_.SetOutBufferCount(0);
    link_.Output(frame);
}

void TransferEngine::SendAFrame(std::span<const std::uint8_t> Data, std::int32_t offset,
                                std::int16_t length, std::uint8_t pgno, PendingOutput pending) {
    // Positions keep the narrowest width that holds the image limit.
    const std::int32_t lastPosition = WideImages() ? std::numeric_limits<std::int32_t>::max()
                                                   : std::numeric_limits<std::int16_t>::max();
    const DataFrame frame =
        BuildDataFrame(Data, state_.FileSize, offset, length, pgno, lastPosition);
    if (frame.RanPastEnd) state_.LastPackSent = true;
    WriteFrame(frame.Bytes, pending);
    state_.SentLen += frame.Bytes.size() == kLongFrameSize ? 1024 : 128;
}

void TransferEngine::SendHeadFrame() {
    // Block 0 names the file the image came from.
    const std::string_view path = imagePath_ ? std::string_view(*imagePath_) : std::string_view();
    const std::string_view name = LastPathComponent(path, naming_.PathSeparator);
    const std::vector<std::uint8_t> frame = BuildHeadFrame(name, state_.FileSize, naming_.Encode);
    state_.CurPgno = 0;
    // An EOT still pending belongs to the transfer before; sent after this block 0 it would
    // end the new transfer at once and have its ACK reported as finished.
    timers_.Stop(TimerId::SendEnd);
    WriteFrame(frame, PendingOutput::Discard);
}

void TransferEngine::SendAByte(std::uint8_t value, PendingOutput pending) {
    const std::uint8_t frame[] = {value};
    WriteFrame(frame, pending);
}

// ---- the burn file ---------------------------------------------------------------------

bool TransferEngine::LoadBurnFile(const std::string& path) {
    std::optional<ImageBytes> bytes;
    BlockPlan plan;
    std::array<std::uint8_t, 2> crc{};
    try {
        bytes = files_.ReadSharedBurnFile(path, imageLimit_);
        if (bytes) {
            const auto size = CheckedNarrow<std::int32_t>(static_cast<std::int64_t>(bytes->size()));
            plan = PlanBlocks(size, imageLimit_);
            crc = WideImages() ? CalcCrc16(*bytes)
                               : CalcCrc16(*bytes, 0, CheckedNarrow<std::int16_t>(size));
        }
    } catch (const RangeError&) {
        bytes.reset();
    }
    if (!bytes) {
        // The image no longer is what the path names, even where the path stayed the same
        // (a file deleted or rebuilt too large): nothing is flashed until a good load. A
        // transfer under way finishes the image it began with.
        imagePath_.reset();
        Emit(event::NoBurnFile{});
        return false;
    }
    // A frame must never mix two images: a running transfer ends here, and the next C
    // sends the new image from block 0.
    if (state_.SendStep != SendStep::Idle) Reset(ResetCause::Ended);
    EndTransfer(event::TransferOutcome::Replaced);
    state_.FileData = std::move(*bytes);
    imagePath_ = path;
    state_.SentLen = 0;
    state_.FileSize = static_cast<std::int32_t>(state_.FileData.size());
    state_.Pack1KEnd = plan.Pack1KEnd;
    state_.PackCount = plan.PackCount;
    Emit(event::FileInformation{state_.FileSize, state_.PackCount, crc});
    bar_ = event::Progress{0, state_.PackCount};
    Emit(bar_);
    return true;
}

// ---- receive framing -------------------------------------------------------------------

void TransferEngine::OnComm(TimePoint now, int commEvent, std::span<const std::uint8_t> input) {
    // Whatever fell due before these bytes arrived happened before them.
    OnWake(now);
    if (commEvent != kCommEventReceive) return;
    for (const std::uint8_t byte : input) {
        if (state_.ReceLen < 0 ||
            state_.ReceLen >= static_cast<std::int32_t>(state_.ReceBuf.size())) {
            // More than the buffer holds: the burst is thrown away, no timer is touched.
            state_.ReceLen = 0;
            return;
        }
        state_.ReceBuf[static_cast<std::size_t>(state_.ReceLen)] = byte;
        ++state_.ReceLen;
    }
    if (state_.ReceLen > kReceiveLimit) {
        state_.ReceLen = 0;
        return;
    }
    timers_.Restart(TimerId::RecvOv, now, kRecvOvInterval);
    timers_.Restart(TimerId::UpdateOv, now, kUpdateOvInterval);
    // Every block a stream writes while a cancel waits for the quiet gap is wasted.
    if (StreamCancelled()) OnTimerRecvOv();
}

void TransferEngine::OnCommFailed() {
    state_.ReceLen = 0;
}

void TransferEngine::OnTimerRecvOv() {
    timers_.Stop(TimerId::RecvOv);
    ProcessReceData();
    state_.ReceLen = 0;
}

// ---- the sender ------------------------------------------------------------------------

// Only the file the user last asked for, as it was last read whole, is flashed: after any
// refused load, or before any load succeeded, there is nothing to send.
bool TransferEngine::ImageUsable() const {
    return imagePath_.has_value();
}

// Stopped means ended, finished or abandoned: only the steps between block 0 and the
// device's last ACK are a transfer under way.
bool TransferEngine::TransferUnderWay() const {
    return state_.SendStep == SendStep::Sending || state_.SendStep == SendStep::LastBlockSent ||
           state_.SendStep == SendStep::EotSent || state_.SendStep == SendStep::Streaming;
}

bool TransferEngine::EndingSession() const {
    return sessionEnd_ != SessionEnd::Off && sessionEnd_ != SessionEnd::Armed;
}

std::span<const std::uint8_t> TransferEngine::Burst() const {
    const auto length = static_cast<std::size_t>(std::max<std::int32_t>(state_.ReceLen, 0));
    return std::span(state_.ReceBuf).first(std::min(length, state_.ReceBuf.size()));
}

void TransferEngine::ProcessReceData() {
    if (EndingSession()) {
        ProcessSessionEndBurst();
        return;
    }
    const std::uint8_t b0 = state_.ReceBuf[0];
    const std::uint8_t b1 = state_.ReceBuf[1];
    const auto either = [&](std::uint8_t a, std::uint8_t b) {
        return b0 == a || b0 == b || b1 == a || b1 == b;
    };
    if (b0 == kNak) {
        Emit(event::Rejected{});
        transferRejected_ = transferOpen_;
        timers_.Start(TimerId::FastReset, now_, kFastResetInterval);
    } else if (transferStreamed_ && TransferUnderWay() && b0 == kCan && b1 == kCan) {
        CancelStream();
    } else if (state_.SendStep == SendStep::Idle &&
               (b0 == kCrcRequest || (streamOnG_ && b0 == kStreamRequest))) {
        StartTransfer(b0 == kStreamRequest);
    } else if (transferStreamed_ && state_.SendStep == SendStep::Sending && state_.SentPacks == 0 &&
               either(kStreamRequest, kStreamRequest)) {
        StartStream();
    } else if (state_.SendStep == SendStep::Sending && either(kAck, kCrcRequest)) {
        try {
            SendNextBlock(PendingOutput::Discard);
        } catch (const RangeError&) {
            AbandonTransfer();
        }
    } else if (state_.SendStep == SendStep::EotSent && either(kAck, kAck)) {
        state_.SendStep = SendStep::Stopped;
        Emit(event::Finished{});
        EndTransfer(event::TransferOutcome::Finished);
        timers_.Start(TimerId::FastReset, now_, kFastResetInterval);
        if (sessionEnd_ == SessionEnd::Armed) StartSessionEnd();
    } else if (b1 == kNak) {
        state_.SendStep = SendStep::Stopped;
    }
}

void TransferEngine::StartTransfer(bool streamed) {
    if (!ImageUsable()) {
        Emit(event::NoBurnFile{});
        return;
    }
    SendHeadFrame();
    state_.SendStep = SendStep::Sending;
    state_.SentPacks = 0;
    transferOpen_ = true;
    transferRejected_ = false;
    transferStreamed_ = streamed;
    // The first byte of the reply restarts the watchdog with its usual interval.
    if (headReplyTimeout_) timers_.Restart(TimerId::UpdateOv, now_, *headReplyTimeout_);
    Emit(event::HandshakeStarted{});
}

// Gives the size of the frame written. The window's block numbers are range-tested, the
// wide images' wrap past 255 as YMODEM numbers them.
std::size_t TransferEngine::SendNextBlock(PendingOutput pending) {
    state_.SentPacks = CheckedNarrow<std::int32_t>(std::int64_t{state_.SentPacks} + 1);
    state_.CurPgno = WideImages() ? static_cast<std::uint8_t>(state_.SentPacks & 0xFF)
                                  : CheckedNarrow<std::uint8_t>(state_.SentPacks);
    Emit(event::BlockSent{state_.SentPacks, state_.SendStep == SendStep::Streaming});
    const std::int16_t size = state_.FileSize - state_.SentLen >= 1024 ? 1024 : 128;
    SendAFrame(state_.FileData, NextBlockOffset(size), size, state_.CurPgno, pending);
    if (state_.LastPackSent) {
        state_.SendStep = SendStep::LastBlockSent;
        timers_.Start(TimerId::SendEnd, now_, kSendEndInterval);
    }
    ShowProgress();
    return size == 1024 ? kLongFrameSize : kShortFrameSize;
}

// From the block's count, not from SentLen: all 1024-byte blocks come first, then the
// 128-byte ones from Pack1KEnd.
std::int32_t TransferEngine::NextBlockOffset(std::int16_t size) const {
    const std::int64_t blocksBefore = state_.SentPacks - 1;
    const std::int64_t offset =
        size == 1024 ? blocksBefore * 1024
                     : state_.Pack1KEnd + (blocksBefore - state_.Pack1KEnd / 1024) * 128;
    if (offset < 0) throw RangeError("negative block offset");
    return WideImages() ? CheckedNarrow<std::int32_t>(offset) : CheckedNarrow<std::int16_t>(offset);
}

// The bar runs one block ahead of the block number and stops at its maximum.
void TransferEngine::ShowProgress() {
    const int next = state_.SentPacks + 1;
    SetProgressValue(bar_.Max >= next ? next : bar_.Max);
}

void TransferEngine::SetProgressValue(int value) {
    bar_.Value = value;
    Emit(bar_);
}

void TransferEngine::FillProgressBar() {
    SetProgressValue(bar_.Max);
}

// A block that cannot be built (an offset or number out of range) ends the transfer as a
// rejected block would, instead of sending anything wrong.
void TransferEngine::AbandonTransfer() {
    state_.SendStep = SendStep::Stopped;
    transferRejected_ = true;
    Emit(event::Rejected{});
    timers_.Start(TimerId::FastReset, now_, kFastResetInterval);
}

// The one way back to idle. The silence watchdog and the fast reset report an unfinished
// transfer; a transfer ended from outside (a new image, a lost port, a cancel) ends quietly.
void TransferEngine::Reset(ResetCause cause) {
    timers_.Stop(TimerId::UpdateOv);
    // A reset lets a pending EOT go: the device may be waiting for it. Only a new block 0
    // cancels it. A transfer ended from outside ends with all it had started.
    if (cause == ResetCause::Ended) {
        timers_.Stop(TimerId::SendEnd);
        timers_.Stop(TimerId::FastReset);
    }
    timers_.Stop(TimerId::StreamOut);
    state_.SendStep = SendStep::Idle;
    state_.LastPackSent = false;
    state_.SentLen = 0;
    if (cause == ResetCause::Silence && bar_.Max != bar_.Value) Emit(event::TimedOut{});
    if (cause == ResetCause::Silence) {
        EndTransfer(transferRejected_ ? event::TransferOutcome::Rejected
                                      : event::TransferOutcome::TimedOut);
    }
}

// Every transfer that began with block 0 ends once, with how it ended.
void TransferEngine::EndTransfer(event::TransferOutcome outcome) {
    if (!transferOpen_) return;
    transferOpen_ = false;
    transferRejected_ = false;
    transferStreamed_ = false;
    Emit(event::TransferEnded{outcome});
}

// ---- YMODEM-G ---------------------------------------------------------------------------

bool TransferEngine::RequestByte(std::uint8_t byte) const {
    return byte == kCrcRequest || (streamOnG_ && byte == kStreamRequest);
}

// The receiver's second G: every data block goes out without waiting for an answer.
void TransferEngine::StartStream() {
    state_.SendStep = SendStep::Streaming;
    streamQueued_ = 0;
    lineFree_ = now_;
    OnTimerStreamOut();
}

// Tops the port's queue up to the limit and watches it drain: while the line drains, the
// watchdog is kept off, as the receiver of a stream has nothing to say. The draining of
// the last blocks behind the EOT is watched too.
void TransferEngine::OnTimerStreamOut() {
    timers_.Stop(TimerId::StreamOut);
    if (!transferStreamed_ || !TransferUnderWay()) return;
    std::size_t queued = link_.PortOpen() ? link_.OutBufferCount() : 0;
    if (queued < streamQueued_ || queued == 0) {
        timers_.Restart(TimerId::UpdateOv, now_, kUpdateOvInterval);
    }
    try {
        while (state_.SendStep == SendStep::Streaming &&
               std::max(queued, LineBacklog()) < kStreamQueueLimit) {
            const std::size_t written = SendNextBlock(PendingOutput::Keep);
            queued += written;
            PaceLine(written);
        }
    } catch (const RangeError&) {
        AbandonTransfer();
        return;
    }
    streamQueued_ = link_.PortOpen() ? link_.OutBufferCount() : 0;
    if (streamQueued_ > 0 || state_.SendStep == SendStep::Streaming) {
        timers_.Restart(TimerId::StreamOut, now_, kStreamOutInterval);
    }
}

// The bytes written that the line has not carried yet, as its rate tells.
std::size_t TransferEngine::LineBacklog() const {
    if (streamLineRate_ <= 0 || lineFree_ <= now_) return 0;
    const auto ahead = std::chrono::duration_cast<std::chrono::nanoseconds>(lineFree_ - now_);
    return static_cast<std::size_t>(ahead.count() * streamLineRate_ / 1'000'000'000);
}

void TransferEngine::PaceLine(std::size_t bytes) {
    if (streamLineRate_ <= 0) return;
    lineFree_ =
        std::max(lineFree_, now_) + std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) *
                                                             1'000'000'000 / streamLineRate_);
}

bool TransferEngine::StreamCancelled() const {
    return transferStreamed_ && TransferUnderWay() && state_.ReceLen >= 2 &&
           state_.ReceBuf[0] == kCan && state_.ReceBuf[1] == kCan;
}

// The receiver's CAN CAN: what still waits in the port is dropped, so that the stream
// stops within the block on the line, and the sender is idle at once.
void TransferEngine::CancelStream() {
    if (link_.PortOpen()) link_.SetOutBufferCount(0);
    Emit(event::Rejected{});
    Reset(ResetCause::Ended);
    EndTransfer(event::TransferOutcome::Rejected);
}

// ---- timers ----------------------------------------------------------------------------

void TransferEngine::OnWake(TimePoint now) {
    while (const auto due = timers_.FirstDue(now)) {
        FireTimer(*due, now);
    }
    now_ = now;
}

void TransferEngine::FireTimer(TimerId id, TimePoint now) {
    // Handlers see the moment their timer was due, so that timers they start keep the
    // same spacing however late the caller woke us.
    now_ = std::min(now, *timers_.Deadline(id));
    switch (id) {
        case TimerId::RecvOv:
            OnTimerRecvOv();
            break;
        case TimerId::UpdateOv:
            OnTimerUpdateOv();
            break;
        case TimerId::SendEnd:
            OnTimerSendEnd();
            break;
        case TimerId::FastReset:
            OnTimerFastReset();
            break;
        case TimerId::SessionEnd:
            OnTimerSessionEnd();
            break;
        case TimerId::StreamOut:
            OnTimerStreamOut();
            break;
    }
}

void TransferEngine::OnTimerSendEnd() {
    timers_.Stop(TimerId::SendEnd);
    Emit(event::EotSent{});
    // The EOT comes a fixed 20 ms after the last block; at low baud rates that block is
    // still leaving the port then, and discarding the queue would cut it short.
    SendAByte(kEot, PendingOutput::Keep);
    state_.SendStep = SendStep::EotSent;
}

void TransferEngine::OnTimerUpdateOv() {
    Reset(ResetCause::Silence);
}

void TransferEngine::OnTimerFastReset() {
    timers_.Stop(TimerId::FastReset);
    Reset(ResetCause::Silence);
}

// ---- ends beyond the window's: a lost port, the batch end, the abort ----------------------

void TransferEngine::OnPortLost() {
    // The line is as quiet as it will ever be: a burst still gathering is judged now.
    if (timers_.Enabled(TimerId::RecvOv)) OnTimerRecvOv();
    // A device that goes away once it has the empty block 0 has ended the session its way:
    // many loaders start the application at once, and the hang-up can swallow their ACK.
    if (sessionEnd_ == SessionEnd::AwaitingAck) EndSession(false);
    Halt();
    EndTransfer(event::TransferOutcome::Lost);
}

// Nothing is due any more, and no burst is gathering.
void TransferEngine::Halt() {
    Reset(ResetCause::Ended);
    timers_.StopAll();
    state_.ReceLen = 0;
}

void TransferEngine::EndSessionAfterNextFinish() {
    if (sessionEnd_ == SessionEnd::Off) sessionEnd_ = SessionEnd::Armed;
}

// The burst that finished may already hold the request for the next file after its ACK,
// as U-Boot sends ACK, ACK and C in one write.
void TransferEngine::StartSessionEnd() {
    const auto burst = Burst();
    const bool asked =
        burst.size() > 1 &&
        std::any_of(burst.begin() + 1, burst.end(), [&](std::uint8_t b) { return RequestByte(b); });
    timers_.Restart(TimerId::SessionEnd, now_, kSessionEndInterval);
    sessionEnd_ = SessionEnd::AwaitingRequest;
    if (asked) SendEmptyHeadFrame();
}

void TransferEngine::ProcessSessionEndBurst() {
    if (sessionEnd_ == SessionEnd::Ended) return;
    const auto burst = Burst();
    const auto holds = [&](std::uint8_t byte) {
        return std::find(burst.begin(), burst.end(), byte) != burst.end();
    };
    if (sessionEnd_ == SessionEnd::AwaitingAck && holds(kAck)) {
        EndSession(true);
    } else if (std::any_of(burst.begin(), burst.end(),
                           [&](std::uint8_t b) { return RequestByte(b); }) ||
               (sessionEnd_ == SessionEnd::AwaitingAck && holds(kNak))) {
        SendEmptyHeadFrame();
    }
}

// Block 0 with no name and no size: "no more files".
void TransferEngine::SendEmptyHeadFrame() {
    const std::vector<std::uint8_t> frame = BuildEmptyHeadFrame();
    timers_.Stop(TimerId::SendEnd);
    WriteFrame(frame, PendingOutput::Discard);
    sessionEnd_ = SessionEnd::AwaitingAck;
}

void TransferEngine::EndSession(bool acknowledged) {
    // The empty block 0 went out only if the device asked for it.
    const bool requestCame = sessionEnd_ == SessionEnd::AwaitingAck;
    sessionEnd_ = SessionEnd::Ended;
    timers_.Stop(TimerId::SessionEnd);
    Emit(event::SessionEnded{requestCame, acknowledged});
}

void TransferEngine::OnTimerSessionEnd() {
    timers_.Stop(TimerId::SessionEnd);
    EndSession(false);
}

// A transfer the sender had already stopped (a NAK in second place) sends no cancel, yet
// it ends here all the same.
bool TransferEngine::Abort() {
    if (!transferOpen_) return false;
    const bool underWay = TransferUnderWay();
    if (underWay) {
        const std::uint8_t cancel[] = {kCan, kCan};
        WriteFrame(cancel, PendingOutput::Keep);
    }
    Halt();
    if (underWay) Emit(event::Aborted{});
    EndTransfer(event::TransferOutcome::Aborted);
    return underWay;
}

}  // namespace ymodem
