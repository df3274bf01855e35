#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>

#include "BurnFileSource.h"
#include "SerialLink.h"
#include "TextEncoder.h"
#include "TimerTable.h"
#include "TransferEvent.h"
#include "TransferState.h"

namespace ymodem {

inline constexpr std::chrono::milliseconds kRecvOvInterval{2};
inline constexpr std::chrono::milliseconds kUpdateOvInterval{2000};
inline constexpr std::chrono::milliseconds kSendEndInterval{20};
inline constexpr std::chrono::milliseconds kFastResetInterval{500};

// The range the progress bar has before the first load.
inline constexpr int kPlacedProgressMax = 100;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The sending side of YMODEM, driven by the device's replies. It never reads a clock and
// never blocks: every input carries the current time, the engine keeps the deadlines of its
// four one-shot timers, and the caller wakes it at NextWake(). It writes frames through the
// serial link and reports what happened as events, which the caller takes with PollEvent().
class TransferEngine {
public:
    TransferEngine(SerialLink& link, BurnFileSource& files, TextEncoder encoder);

    // Reads the burn file at path into the image. A refused file leaves the previous image
    // as it was; the result says whether the file was taken.
    bool LoadBurnFile(const std::string& path);

    // The serial control's receive event: its code and the bytes its Input gave.
    void OnComm(TimePoint now, int commEvent, std::span<const std::uint8_t> input);
    // Reading the receive event failed: the current burst is dropped.
    void OnCommFailed();

    // Fires every timer due at now, in deadline order. Nothing due: nothing happens.
    void OnWake(TimePoint now);
    std::optional<TimePoint> NextWake() const { return timers_.NextDeadline(); }

    // The bar shows full, as it does at start-up.
    void FillProgressBar();

    // The next event not yet taken, oldest first.
    std::optional<TransferEvent> PollEvent();

    const TransferState& State() const { return state_; }
    const event::Progress& ProgressBar() const { return bar_; }
    bool TimerEnabled(TimerId id) const { return timers_.Enabled(id); }

private:
    enum class PendingOutput { Discard, Keep };
    enum class ResetCause { Silence, NewImage };

    void SendHeadFrame();
    void SendAFrame(std::span<const std::uint8_t> Data, std::int16_t offset, std::int16_t length,
                    std::uint8_t pgno);
    void SendAByte(std::uint8_t value, PendingOutput pending);
    void WriteFrame(std::span<const std::uint8_t> frame, PendingOutput pending);

    void ProcessReceData();
    void SendNextBlock();
    void ShowProgress();
    void SetProgressValue(int value);
    void AbandonTransfer();
    void Reset(ResetCause cause);

    void FireTimer(TimerId id, TimePoint now);
    void OnTimerRecvOv();
    void OnTimerUpdateOv();
    void OnTimerSendEnd();
    void OnTimerFastReset();

    void Emit(TransferEvent event);

    SerialLink& link_;
    BurnFileSource& files_;
    TextEncoder encoder_;
    TransferState state_;
    event::Progress bar_{0, kPlacedProgressMax};
    std::optional<std::string> imagePath_;  // the path the image was loaded from
    TimerTable timers_;
    TimePoint now_{};
    std::deque<TransferEvent> events_;
};

}  // namespace ymodem
