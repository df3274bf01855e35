#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>

#include "BurnFileSource.h"
#include "FileNaming.h"
#include "SerialLink.h"
#include "TimerTable.h"
#include "TransferEvent.h"
#include "TransferState.h"

namespace ymodem {

inline constexpr std::chrono::milliseconds kRecvOvInterval{2};
inline constexpr std::chrono::milliseconds kUpdateOvInterval{2000};
inline constexpr std::chrono::milliseconds kSendEndInterval{20};
inline constexpr std::chrono::milliseconds kFastResetInterval{500};
// How long the end of a batch waits for the device's request and for its acknowledgement.
inline constexpr std::chrono::seconds kSessionEndInterval{5};
// While a YMODEM-G stream runs, a block is added this often while less than one block waits,
// in the port's queue or, as its rate tells, on the line: the system's own buffers beyond the
// queue (a pseudo-terminal's hold dozens of blocks) cannot be discarded, so what is written
// ahead of the line is all that a cancel cannot stop.
inline constexpr std::chrono::milliseconds kStreamOutInterval{1};
inline constexpr std::size_t kStreamQueueLimit = 1029;
// The receiver's request for a YMODEM-G transfer.
inline constexpr std::uint8_t kStreamRequest = 'G';

// The range the progress bar has before the first load.
inline constexpr int kPlacedProgressMax = 100;

// The sending side of YMODEM, driven by the device's replies. It never reads a clock and
// never blocks: every input carries the current time, the engine keeps the deadlines of its
// four one-shot timers, and the caller wakes it at NextWake(). It writes frames through the
// serial link and reports what happened as events, which the caller takes with PollEvent().
class TransferEngine {
public:
    TransferEngine(SerialLink& link, BurnFileSource& files, FileNaming naming);

    // Reads the burn file at path into the image. A refused file leaves the previous image's
    // bytes as they were, yet no later transfer sends them; the result says whether the
    // file was taken.
    bool LoadBurnFile(const std::string& path);

    // The largest image a load takes: the window's 32767 bytes unless set, with its signed
    // 16-bit offsets and 8-bit block numbers range-tested. Above that, offsets are 32-bit
    // and block numbers wrap past 255. Set before the first load.
    void SetImageLimit(std::int32_t bytes) { imageLimit_ = bytes; }
    // Whether a G from an idle device starts a YMODEM-G transfer; the window's sender
    // answers only C.
    void SetStreamOnG(bool stream) { streamOnG_ = stream; }
    // The line's rate in bytes a second, which a stream keeps pace with; 0, as in the window,
    // leaves the pace to the port's queue alone.
    void SetStreamLineRate(std::int64_t bytesPerSecond) { streamLineRate_ = bytesPerSecond; }

    // The serial control's receive event: its code and the bytes its Input gave.
    void OnComm(TimePoint now, int commEvent, std::span<const std::uint8_t> input);
    // Reading the receive event failed: the current burst is dropped.
    void OnCommFailed();

    // Fires every timer due at now, in deadline order. Nothing due: nothing happens.
    void OnWake(TimePoint now);
    std::optional<TimePoint> NextWake() const { return timers_.NextDeadline(); }

    // The bar shows full, as it does at start-up.
    void FillProgressBar();

    // The port went away: a burst still gathering is judged, then the transfer ends at once,
    // silently, with every timer stopped.
    void OnPortLost();

    // Batch receivers ask for the next file after each one. Once armed, the next finished
    // transfer ends the batch: the device's next C (also one in the same reply as the ACK of
    // the EOT) gets the empty block 0, and no further transfer starts.
    void EndSessionAfterNextFinish();
    // Cancels a transfer under way with CAN CAN, queued behind the frame still leaving.
    // Gives whether anything was sent: while idle nothing is.
    bool Abort();

    // How long the device may take to answer block 0 before the watchdog ends the transfer,
    // for boot loaders that erase their flash first. Unset, the watchdog's own 2000 ms
    // apply, as in the window; every later silence keeps them either way.
    void SetHeadReplyTimeout(std::optional<std::chrono::milliseconds> timeout) {
        headReplyTimeout_ = timeout;
    }

    // The next event not yet taken, oldest first.
    std::optional<TransferEvent> PollEvent();

    const TransferState& State() const { return state_; }
    const event::Progress& ProgressBar() const { return bar_; }
    bool TimerEnabled(TimerId id) const { return timers_.Enabled(id); }

private:
    enum class PendingOutput { Discard, Keep };
    enum class ResetCause { Silence, Ended };
    enum class SessionEnd { Off, Armed, AwaitingRequest, AwaitingAck, Ended };

    void SendHeadFrame();
    void SendAFrame(std::span<const std::uint8_t> Data, std::int32_t offset, std::int16_t length,
                    std::uint8_t pgno, PendingOutput pending);
    void SendAByte(std::uint8_t value, PendingOutput pending);
    void WriteFrame(std::span<const std::uint8_t> frame, PendingOutput pending);

    bool ImageUsable() const;
    bool TransferUnderWay() const;
    bool EndingSession() const;
    std::span<const std::uint8_t> Burst() const;

    bool WideImages() const { return imageLimit_ > kMaxBurnFileSize; }
    void ProcessReceData();
    void StartTransfer(bool streamed);
    void StartStream();
    void OnTimerStreamOut();
    void CancelStream();
    bool StreamCancelled() const;
    std::size_t LineBacklog() const;
    void PaceLine(std::size_t bytes);
    bool RequestByte(std::uint8_t byte) const;
    void StartSessionEnd();
    void ProcessSessionEndBurst();
    void SendEmptyHeadFrame();
    void EndSession(bool acknowledged);
    std::size_t SendNextBlock(PendingOutput pending);
    std::int32_t NextBlockOffset(std::int16_t size) const;
    void ShowProgress();
    void SetProgressValue(int value);
    void AbandonTransfer();
    void Reset(ResetCause cause);
    void Halt();
    void EndTransfer(event::TransferOutcome outcome);

    void FireTimer(TimerId id, TimePoint now);
    void OnTimerRecvOv();
    void OnTimerUpdateOv();
    void OnTimerSendEnd();
    void OnTimerFastReset();
    void OnTimerSessionEnd();

    void Emit(TransferEvent event);

    SerialLink& link_;
    BurnFileSource& files_;
    FileNaming naming_;
    TransferState state_;
    event::Progress bar_{0, kPlacedProgressMax};
    std::optional<std::string> imagePath_;  // the path of the image, unset after a refused load
    SessionEnd sessionEnd_ = SessionEnd::Off;
    std::optional<std::chrono::milliseconds> headReplyTimeout_;
    std::int32_t imageLimit_ = kMaxBurnFileSize;
    bool streamOnG_ = false;
    // The transfer under way since block 0, until its TransferEnded.
    bool transferOpen_ = false;
    bool transferRejected_ = false;
    bool transferStreamed_ = false;  // asked for with G
    std::size_t streamQueued_ = 0;   // the port's queue after the last top-up
    std::int64_t streamLineRate_ = 0;
    TimePoint lineFree_{};  // when the line has carried all that the stream wrote
    TimerTable timers_;
    TimePoint now_{};
    std::deque<TransferEvent> events_;
};

}  // namespace ymodem
