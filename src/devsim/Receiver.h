#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "BlockReader.h"
#include "FrameAssembler.h"
#include "ReceivedImage.h"
#include "TimedWrite.h"
#include "TimerTable.h"

namespace ymodem {

inline constexpr std::chrono::seconds kRequestInterval{1};
inline constexpr std::chrono::seconds kSilence{3};
inline constexpr std::chrono::milliseconds kGarbageInterval{300};
inline constexpr std::size_t kGarbageBurst = 3;

struct ReceiverOptions {
    int Count = 1;                            // transfers until the device is done
    std::chrono::milliseconds Gap{500};       // quiet time after a transfer before the next C
    std::chrono::milliseconds SplitReply{0};  // 0: block 0's ACK and C go out in one write
    std::optional<int> NakAt;                 // block index (0 = block 0) rejected once
    std::optional<int> SilentAfter;           // block index after which it falls silent once
    bool Garbage = false;
    std::uint32_t GarbageSeed = 1;
};

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
    // The last wanted transfer is finished and its gap has passed.
    bool Done() const { return phase_ == Phase::Done; }

private:
    enum class Phase { WaitingHead, Receiving, Silent, Gap, Done };
    enum class Timer { Stall, Phase, Request, Garbage };

    std::optional<TimePoint> Deadline(Timer timer) const;
    void FireDue(TimePoint now);
    void Fire(Timer timer, TimePoint at);
    void OnStall(TimePoint at);
    void OnPhaseEnd(TimePoint at);
    void OnRequestTick(TimePoint at);
    void OnGarbageTick(TimePoint at);

    void OnFrame(TimePoint now, std::span<const std::uint8_t> frame);
    void OnHeadCandidate(TimePoint now, const BlockView& block);
    void OnDataBlock(TimePoint now, const BlockView& block);
    void OnEot(TimePoint now);

    void BeginTransfer(TimePoint now, HeadBlock head);
    void FinishTransfer(TimePoint now);
    void WaitForHead(TimePoint at);
    void FallSilent(TimePoint now);
    bool TakeFault(std::optional<int>& fault, int index);

    void AnswerHead(TimePoint now);
    void Reject(TimePoint now);
    void Reply(TimePoint at, std::vector<std::uint8_t> bytes);
    void Schedule(TimePoint at, std::vector<std::uint8_t> bytes);
    std::vector<std::uint8_t> GarbageBytes();
    std::vector<TimedWrite> Drain(TimePoint now);

    ReceiverOptions options_;
    Phase phase_ = Phase::WaitingHead;
    FrameAssembler assembler_;
    std::deque<TimedWrite> outbox_;
    std::optional<TimePoint> phaseDeadline_;
    std::optional<TimePoint> nextRequest_;
    std::optional<TimePoint> nextGarbage_;

    ReceivedImage image_;
    std::size_t imageSize_ = 0;
    int expected_ = 0;  // index of the next data block; its number is the low byte
    bool awaitingResend_ = false;
    std::vector<ReceivedImage> images_;
    int finished_ = 0;
    std::minstd_rand random_;
};

}  // namespace ymodem
