#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "BlockReader.h"
#include "DeadlineTable.h"
#include "FrameAssembler.h"
#include "Frames.h"
#include "ReceivedImage.h"
#include "ReceiverOptions.h"
#include "ReplyQueue.h"
#include "StrayBytes.h"
#include "TimedWrite.h"

namespace ymodem {

// The receiving side of YMODEM as a boot loader runs it. It never reads a clock and never
// touches a line: bytes come in with the time they arrived, timers are deadlines the
// caller wakes it for, and every call returns the writes that are due by then.
class Receiver {
public:
    Receiver(ReceiverOptions options, TimePoint start);

    std::vector<TimedWrite> OnReceive(TimePoint now, std::span<const std::uint8_t> bytes);
    std::vector<TimedWrite> OnWake(TimePoint now);
    std::optional<TimePoint> NextWake() const;

    std::vector<ReceivedImage> TakeImages();
    int FinishedCount() const { return finished_; }
    // Block 0s with a name taken: a loader erases its flash for each.
    int Erases() const { return erases_; }
    // Set once the device takes no more transfers; its last writes may still be queued.
    std::optional<SessionEnd> End() const { return end_; }
    bool Done() const { return end_.has_value(); }

private:
    enum class Phase { WaitingHead, Receiving, Silent, Gap, Done };
    // In the order they go on a tie: a stalled frame is rejected before the quiet time it
    // also ends is judged, and a loader that gives up sends no C first.
    enum class Timer { Stall, SessionSilence, Phase, Request, Garbage };
    static constexpr std::size_t kTimers = 5;

    void FireDue(TimePoint now);
    void Fire(Timer timer, TimePoint at);
    void OnStall(TimePoint at);
    void OnPhaseEnd(TimePoint at);
    void OnRequestTick(TimePoint at);
    void OnGarbageTick(TimePoint at);

    void OnByte(TimePoint now, std::uint8_t byte);
    void OnFrame(TimePoint now, std::span<const std::uint8_t> frame);
    void OnHeadCandidate(TimePoint now, const BlockView& block);
    void OnDataBlock(TimePoint now, const BlockView& block);
    void OnEot(TimePoint now);

    bool Iap() const { return options_.Loader == LoaderKind::Iap; }
    // What it asks with: G for YMODEM-G, else C.
    std::uint8_t Request() const { return options_.Streamed ? std::uint8_t{'G'} : kCrcRequest; }
    void BeginTransfer(TimePoint now, HeadBlock head);
    void FinishTransfer(TimePoint now);
    void StartProgram(TimePoint now);
    void WaitForHead(TimePoint at);
    void FallSilent(TimePoint now);
    void DiscardFrame();
    void EndSession(TimePoint at, SessionEnd why, std::vector<std::uint8_t> lastWords);
    bool TakeFault(std::optional<int>& fault, int index);

    void AnswerHead(TimePoint now);
    void Reject(TimePoint now);
    void Reply(TimePoint at, std::vector<std::uint8_t> bytes);

    ReceiverOptions options_;
    Phase phase_ = Phase::WaitingHead;
    FrameAssembler assembler_;
    ReplyQueue outbox_;
    StrayBytes stray_;
    DeadlineTable<Timer, kTimers> timers_;

    ReceivedImage image_;
    std::size_t imageSize_ = 0;
    int expected_ = 0;  // index of the next data block; its number is the low byte
    bool awaitingResend_ = false;
    std::vector<ReceivedImage> images_;
    int finished_ = 0;
    int erases_ = 0;
    std::optional<SessionEnd> end_;
};

}  // namespace ymodem
