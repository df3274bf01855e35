#include "Receiver.h"

#include <algorithm>
#include <utility>

#include "Frames.h"

namespace ymodem {

namespace {

constexpr std::chrono::milliseconds kGarbageInterval{300};

}  // namespace

Receiver::Receiver(ReceiverOptions options, TimePoint start)
    : options_(std::move(options)), stray_(options_.GarbageSeed) {
    timers_.Restart(Timer::Request, start, {});
}

// ---- time ------------------------------------------------------------------------------

std::vector<TimedWrite> Receiver::OnReceive(TimePoint now, std::span<const std::uint8_t> bytes) {
    // Whatever fell due before these bytes arrived happened before them.
    FireDue(now);
    for (const std::uint8_t byte : bytes) OnByte(now, byte);
    return outbox_.TakeDue(now);
}

std::vector<TimedWrite> Receiver::OnWake(TimePoint now) {
    FireDue(now);
    return outbox_.TakeDue(now);
}

std::optional<TimePoint> Receiver::NextWake() const {
    const std::optional<TimePoint> timer = timers_.NextDeadline();
    const std::optional<TimePoint> write = outbox_.NextDue();
    if (!timer || !write) return timer ? timer : write;
    return std::min(*timer, *write);
}

void Receiver::FireDue(TimePoint now) {
    while (const auto due = timers_.FirstDue(now)) {
        const TimePoint at = *timers_.Deadline(*due);
        timers_.Stop(*due);
        // Handlers see the moment their timer was due, so that what they start keeps its
        // spacing however late the caller woke us.
        Fire(*due, at);
    }
}

void Receiver::Fire(Timer timer, TimePoint at) {
    switch (timer) {
        case Timer::Stall:
            OnStall(at);
            break;
        case Timer::SessionSilence:
            EndSession(at, SessionEnd::Silence, {kCan, kCan});
            break;
        case Timer::Phase:
            OnPhaseEnd(at);
            break;
        case Timer::Request:
            OnRequestTick(at);
            break;
        case Timer::Garbage:
            OnGarbageTick(at);
            break;
    }
}

void Receiver::OnStall(TimePoint at) {
    DiscardFrame();
    Reject(at);
}

void Receiver::OnPhaseEnd(TimePoint at) {
    if (phase_ == Phase::Gap && finished_ >= options_.Count) {
        EndSession(at, SessionEnd::AllTransfers, {});
        return;
    }
    // A sender gone quiet mid-transfer has given up; so has this device.
    WaitForHead(at);
}

void Receiver::OnRequestTick(TimePoint at) {
    timers_.Restart(Timer::Request, at, kRequestInterval);
    // A C in the middle of block 0 would be read as part of the reply to it.
    if (assembler_.Open()) return;
    outbox_.Schedule(at, {Request()});
    if (options_.Garbage) timers_.Restart(Timer::Garbage, at, kGarbageInterval);
}

// Garbage goes out only between two C's, at least a garbage interval before the next one,
// while no frame is coming in: the sender expects nothing then, so it can never share a
// quiet-gap burst with a reply.
void Receiver::OnGarbageTick(TimePoint at) {
    if (!assembler_.Open()) outbox_.Schedule(at, stray_.Burst());
    const auto request = timers_.Deadline(Timer::Request);
    if (request && at + 2 * kGarbageInterval <= *request) {
        timers_.Restart(Timer::Garbage, at, kGarbageInterval);
    }
}

// ---- frames ----------------------------------------------------------------------------

void Receiver::OnByte(TimePoint now, std::uint8_t byte) {
    if (phase_ == Phase::Silent || phase_ == Phase::Done) return;
    if (phase_ == Phase::Receiving) timers_.Restart(Timer::Phase, now, kRequestInterval);
    if (timers_.Enabled(Timer::SessionSilence)) {
        timers_.Restart(Timer::SessionSilence, now, kIapSessionSilence);
    }
    const auto frame = assembler_.Push(byte);
    if (assembler_.Open()) {
        timers_.Restart(Timer::Stall, now, kFrameStallTimeout);
    } else {
        timers_.Stop(Timer::Stall);
    }
    if (assembler_.SenderCancelled()) {
        // A vendor loader acknowledges the abort; others just stop.
        EndSession(now, SessionEnd::SenderCancel,
                   Iap() ? std::vector<std::uint8_t>{kAck} : std::vector<std::uint8_t>{});
    } else if (frame) {
        OnFrame(now, *frame);
    }
}

void Receiver::OnFrame(TimePoint now, std::span<const std::uint8_t> frame) {
    if (frame.size() == 1) {
        OnEot(now);
        return;
    }
    const BlockView block = ReadBlock(frame);
    if (phase_ == Phase::Receiving) {
        OnDataBlock(now, block);
    } else {
        OnHeadCandidate(now, block);
    }
}

void Receiver::OnHeadCandidate(TimePoint now, const BlockView& block) {
    if (!block.Intact()) {
        Reject(now);
        return;
    }
    // A data block here is left over from a transfer this device gave up on; answering it
    // would only confuse the sender's new start.
    if (block.Number != 0) return;
    const bool wantsMore = Iap() || finished_ < options_.Count;
    if (wantsMore && TakeFault(options_.NakAt, 0)) {
        Reject(now);
        return;
    }
    const auto head = ReadHeadBlock(block.Payload);
    if (!head) {
        Reject(now);
    } else if (head->EndsBatch && Iap()) {
        EndSession(now, SessionEnd::EmptyHead, {kAck});
    } else if (head->EndsBatch) {
        Reply(now, {kAck});
    } else if (wantsMore) {
        BeginTransfer(now, *head);
    }
}

void Receiver::OnDataBlock(TimePoint now, const BlockView& block) {
    if (!block.Intact()) {
        Reject(now);
        return;
    }
    if (block.Number == static_cast<std::uint8_t>(expected_)) {
        if (TakeFault(options_.NakAt, expected_)) {
            Reject(now);
            return;
        }
        // Blocks past the announced size are accepted and dropped: they are the fill a
        // sender adds to round the image up to whole blocks.
        const std::size_t room = imageSize_ - image_.Data.size();
        const std::size_t take = std::min(room, block.Payload.size());
        image_.Data.insert(image_.Data.end(), block.Payload.begin(),
                           block.Payload.begin() + static_cast<std::ptrdiff_t>(take));
        awaitingResend_ = false;
        if (TakeFault(options_.SilentAfter, expected_++)) {
            FallSilent(now);
            return;
        }
        // A stream is taken without a word.
        if (!options_.Streamed) Reply(now, {kAck});
    } else if (block.Number == static_cast<std::uint8_t>(expected_ - 1) && !options_.Streamed) {
        // The sender missed our answer and sent the same block again.
        if (expected_ == 1) {
            AnswerHead(now);
        } else {
            Reply(now, {kAck});
        }
    } else {
        Reject(now);
    }
}

void Receiver::OnEot(TimePoint now) {
    if (phase_ == Phase::Receiving) {
        // An EOT right after a NAK means the sender gave up on the rejected block; the
        // image is not whole, so it must not count.
        if (awaitingResend_ || image_.Data.size() < imageSize_) {
            Reject(now);
        } else {
            FinishTransfer(now);
        }
    } else if (phase_ == Phase::Gap) {
        // The sender missed our ACK and ended the file again.
        Reply(now, {kAck, Request()});
    }
}

// ---- transfers -------------------------------------------------------------------------

void Receiver::BeginTransfer(TimePoint now, HeadBlock head) {
    ++erases_;
    if (Iap()) timers_.Restart(Timer::SessionSilence, now, kIapSessionSilence);
    image_ = ReceivedImage{std::move(head.Name), {}, now, now};
    imageSize_ = static_cast<std::size_t>(head.Size);
    image_.Data.reserve(imageSize_);
    expected_ = 1;
    awaitingResend_ = false;
    timers_.Stop(Timer::Request);
    timers_.Stop(Timer::Garbage);
    if (TakeFault(options_.SilentAfter, 0)) {
        FallSilent(now);
        return;
    }
    phase_ = Phase::Receiving;
    timers_.Restart(Timer::Phase, now, kRequestInterval);
    AnswerHead(now + options_.EraseTime);
}

void Receiver::FinishTransfer(TimePoint now) {
    image_.Finished = now;
    images_.push_back(std::move(image_));
    image_ = {};
    ++finished_;
    if (Iap()) {
        // It asks for the next file only when its wait for a frame times out.
        Reply(now, {kAck});
        WaitForHead(now + kRequestInterval);
        return;
    }
    if (options_.Banner) {
        StartProgram(now);
        return;
    }
    // The C asks a batch sender for its next header; one that has no more files answers
    // with an empty block 0. Our sender has stopped by then and ignores it.
    Reply(now, {kAck, Request()});
    phase_ = Phase::Gap;
    timers_.Restart(Timer::Phase, now, options_.Gap);
}

// The board resets into its new program, which prints its banner; the next board on the
// line is asked for after the gap that follows it.
void Receiver::StartProgram(TimePoint now) {
    std::vector<std::uint8_t> banner(options_.Banner->begin(), options_.Banner->end());
    if (!banner.empty()) banner.insert(banner.end(), {'\r', '\n'});
    const TimePoint printed = now + options_.BannerDelay;
    if (options_.BannerDelay.count() == 0) {
        banner.insert(banner.begin(), kAck);
        Reply(now, std::move(banner));
    } else {
        Reply(now, {kAck});
        if (!banner.empty()) Reply(printed, std::move(banner));
    }
    phase_ = Phase::Gap;
    timers_.Restart(Timer::Phase, printed, options_.Gap);
}

void Receiver::WaitForHead(TimePoint at) {
    phase_ = Phase::WaitingHead;
    timers_.Stop(Timer::Phase);
    timers_.Restart(Timer::Request, at, {});
    timers_.Stop(Timer::Garbage);
}

void Receiver::FallSilent(TimePoint now) {
    phase_ = Phase::Silent;
    timers_.Restart(Timer::Phase, now, kSilence);
    DiscardFrame();
    // A C still waiting behind a split reply would break the silence.
    outbox_.DropAfter(now);
}

void Receiver::EndSession(TimePoint at, SessionEnd why, std::vector<std::uint8_t> lastWords) {
    end_ = why;
    phase_ = Phase::Done;
    timers_.StopAll();
    assembler_.Discard();
    if (!lastWords.empty()) outbox_.Schedule(at, std::move(lastWords));
}

void Receiver::DiscardFrame() {
    assembler_.Discard();
    timers_.Stop(Timer::Stall);
}

bool Receiver::TakeFault(std::optional<int>& fault, int index) {
    if (!fault || *fault != index) return false;
    fault.reset();
    return true;
}

std::vector<ReceivedImage> Receiver::TakeImages() {
    return std::exchange(images_, {});
}

// ---- output ----------------------------------------------------------------------------

void Receiver::AnswerHead(TimePoint now) {
    // A YMODEM-G receiver asks for the stream with a second G, and acknowledges nothing.
    if (options_.Streamed) {
        Reply(now, {Request()});
        return;
    }
    if (options_.SplitReply.count() == 0) {
        Reply(now, {kAck, kCrcRequest});
        return;
    }
    Reply(now, {kAck});
    Reply(now + options_.SplitReply, {kCrcRequest});
}

// A stream cannot be repaired: a YMODEM-G device cancels it.
void Receiver::Reject(TimePoint now) {
    if (options_.Streamed && phase_ == Phase::Receiving) {
        EndSession(now, SessionEnd::StreamBroken, {kCan, kCan});
        return;
    }
    Reply(now, {kNak});
    if (phase_ == Phase::Receiving) awaitingResend_ = true;
}

void Receiver::Reply(TimePoint at, std::vector<std::uint8_t> bytes) {
    const TimePoint queued = outbox_.Schedule(at, std::move(bytes));
    if (phase_ == Phase::Receiving) timers_.Restart(Timer::Phase, queued, kRequestInterval);
    // The next C keeps a full interval from any reply, so the two never share a burst.
    const auto request = timers_.Deadline(Timer::Request);
    if (phase_ == Phase::WaitingHead && request && *request < at + kRequestInterval) {
        timers_.Restart(Timer::Request, at, kRequestInterval);
    }
}

}  // namespace ymodem
