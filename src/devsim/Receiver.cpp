#include "Receiver.h"

#include <algorithm>
#include <array>
#include <utility>

#include "Frames.h"

namespace ymodem {

namespace {

// Garbage must never read as a reply to our sender, and two CANs in a row would cancel a
// standard sender.
constexpr std::array<std::uint8_t, 4> kNeverGarbage = {kCrcRequest, kAck, kNak, 0x18};

}  // namespace

Receiver::Receiver(ReceiverOptions options, TimePoint start)
    : options_(std::move(options)), nextRequest_(start), random_(options_.GarbageSeed) {}

// ---- time ------------------------------------------------------------------------------

std::vector<TimedWrite> Receiver::OnReceive(TimePoint now, std::span<const std::uint8_t> bytes) {
    // Whatever fell due before these bytes arrived happened before them.
    FireDue(now);
    for (const std::uint8_t byte : bytes) {
        if (phase_ == Phase::Silent || phase_ == Phase::Done) continue;
        if (phase_ == Phase::Receiving) phaseDeadline_ = now + kRequestInterval;
        if (auto frame = assembler_.Push(now, byte)) OnFrame(now, *frame);
    }
    return Drain(now);
}

std::vector<TimedWrite> Receiver::OnWake(TimePoint now) {
    FireDue(now);
    return Drain(now);
}

std::optional<TimePoint> Receiver::Deadline(Timer timer) const {
    switch (timer) {
        case Timer::Stall:
            return assembler_.StallDeadline();
        case Timer::Phase:
            return phaseDeadline_;
        case Timer::Request:
            return nextRequest_;
        case Timer::Garbage:
            return nextGarbage_;
    }
    return std::nullopt;
}

std::optional<TimePoint> Receiver::NextWake() const {
    std::optional<TimePoint> next;
    for (const Timer timer : {Timer::Stall, Timer::Phase, Timer::Request, Timer::Garbage}) {
        const auto deadline = Deadline(timer);
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    if (!outbox_.empty() && (!next || outbox_.front().At < *next)) next = outbox_.front().At;
    return next;
}

void Receiver::FireDue(TimePoint now) {
    for (;;) {
        std::optional<std::pair<TimePoint, Timer>> due;
        // On a tie the earlier timer in this list goes first: a stalled frame is rejected
        // before the quiet time that it also ends is judged.
        for (const Timer timer : {Timer::Stall, Timer::Phase, Timer::Request, Timer::Garbage}) {
            const auto deadline = Deadline(timer);
            if (deadline && *deadline <= now && (!due || *deadline < due->first)) {
                due = std::pair{*deadline, timer};
            }
        }
        if (!due) return;
        // Handlers see the moment their timer was due, so that what they start keeps its
        // spacing however late the caller woke us.
        Fire(due->second, due->first);
    }
}

void Receiver::Fire(Timer timer, TimePoint at) {
    switch (timer) {
        case Timer::Stall:
            OnStall(at);
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
    assembler_.Discard();
    Reject(at);
}

void Receiver::OnPhaseEnd(TimePoint at) {
    phaseDeadline_.reset();
    if (phase_ == Phase::Gap && finished_ >= options_.Count) {
        phase_ = Phase::Done;
        return;
    }
    // A sender gone quiet mid-transfer has given up; so has this device.
    WaitForHead(at);
}

void Receiver::OnRequestTick(TimePoint at) {
    nextRequest_ = at + kRequestInterval;
    // A C in the middle of block 0 would be read as part of the reply to it.
    if (assembler_.Open()) return;
    Schedule(at, {kCrcRequest});
    if (options_.Garbage) nextGarbage_ = at + kGarbageInterval;
}

// Garbage goes out only between two C's, at least a garbage interval before the next one,
// while no frame is coming in: the sender expects nothing then, so it can never share a
// quiet-gap burst with a reply.
void Receiver::OnGarbageTick(TimePoint at) {
    if (!assembler_.Open()) Schedule(at, GarbageBytes());
    nextGarbage_ = at + kGarbageInterval;
    if (!nextRequest_ || *nextGarbage_ + kGarbageInterval > *nextRequest_) nextGarbage_.reset();
}

// ---- frames ----------------------------------------------------------------------------

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
    const bool wantsMore = finished_ < options_.Count;
    if (wantsMore && TakeFault(options_.NakAt, 0)) {
        Reject(now);
        return;
    }
    const auto head = ReadHeadBlock(block.Payload);
    if (!head) {
        Reject(now);
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
        Reply(now, {kAck});
    } else if (block.Number == static_cast<std::uint8_t>(expected_ - 1)) {
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
        Reply(now, {kAck, kCrcRequest});
    }
}

// ---- transfers -------------------------------------------------------------------------

void Receiver::BeginTransfer(TimePoint now, HeadBlock head) {
    image_ = ReceivedImage{std::move(head.Name), {}, now, now};
    imageSize_ = static_cast<std::size_t>(head.Size);
    image_.Data.reserve(imageSize_);
    expected_ = 1;
    awaitingResend_ = false;
    nextRequest_.reset();
    nextGarbage_.reset();
    if (TakeFault(options_.SilentAfter, 0)) {
        FallSilent(now);
        return;
    }
    phase_ = Phase::Receiving;
    phaseDeadline_ = now + kRequestInterval;
    AnswerHead(now);
}

void Receiver::FinishTransfer(TimePoint now) {
    // The C asks a batch sender for its next header; one that has no more files answers
    // with an empty block 0. Our sender has stopped by then and ignores it.
    Reply(now, {kAck, kCrcRequest});
    image_.Finished = now;
    images_.push_back(std::move(image_));
    image_ = {};
    ++finished_;
    phase_ = Phase::Gap;
    phaseDeadline_ = now + options_.Gap;
}

void Receiver::WaitForHead(TimePoint at) {
    phase_ = Phase::WaitingHead;
    phaseDeadline_.reset();
    nextRequest_ = at;
    nextGarbage_.reset();
}

void Receiver::FallSilent(TimePoint now) {
    phase_ = Phase::Silent;
    phaseDeadline_ = now + kSilence;
    assembler_.Discard();
    // A C still waiting behind a split reply would break the silence.
    std::erase_if(outbox_, [now](const TimedWrite& write) { return write.At > now; });
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
    if (options_.SplitReply.count() == 0) {
        Reply(now, {kAck, kCrcRequest});
        return;
    }
    Reply(now, {kAck});
    Reply(now + options_.SplitReply, {kCrcRequest});
}

void Receiver::Reject(TimePoint now) {
    Reply(now, {kNak});
    if (phase_ == Phase::Receiving) awaitingResend_ = true;
}

void Receiver::Reply(TimePoint at, std::vector<std::uint8_t> bytes) {
    Schedule(at, std::move(bytes));
    if (phase_ == Phase::Receiving) phaseDeadline_ = outbox_.back().At + kRequestInterval;
    // The next C keeps a full interval from any reply, so the two never share a burst.
    if (phase_ == Phase::WaitingHead && nextRequest_) {
        nextRequest_ = std::max(*nextRequest_, at + kRequestInterval);
    }
}

void Receiver::Schedule(TimePoint at, std::vector<std::uint8_t> bytes) {
    // A device answers in order: nothing overtakes a write still waiting its turn.
    if (!outbox_.empty()) at = std::max(at, outbox_.back().At);
    outbox_.push_back(TimedWrite{at, std::move(bytes)});
}

std::vector<std::uint8_t> Receiver::GarbageBytes() {
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < kGarbageBurst) {
        const auto byte = static_cast<std::uint8_t>(anyByte(random_));
        if (std::find(kNeverGarbage.begin(), kNeverGarbage.end(), byte) == kNeverGarbage.end()) {
            bytes.push_back(byte);
        }
    }
    return bytes;
}

std::vector<TimedWrite> Receiver::Drain(TimePoint now) {
    std::vector<TimedWrite> due;
    while (!outbox_.empty() && outbox_.front().At <= now) {
        due.push_back(std::move(outbox_.front()));
        outbox_.pop_front();
    }
    return due;
}

}  // namespace ymodem
