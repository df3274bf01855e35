#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "BurnFileSource.h"
#include "SerialLink.h"
#include "TextEncoder.h"
#include "TimerTable.h"
#include "TransferState.h"
#include "TransferView.h"

namespace ymodem {

inline constexpr std::chrono::milliseconds kRecvOvInterval{2};
inline constexpr std::chrono::milliseconds kUpdateOvInterval{2000};
inline constexpr std::chrono::milliseconds kSendEndInterval{20};
inline constexpr std::chrono::milliseconds kFastResetInterval{500};

inline constexpr int kCommEventReceive = 2;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The sending side of YMODEM, driven by the device's replies. It never reads a clock and
// never blocks: every event carries the current time, the engine keeps the deadlines of its
// four one-shot timers, and the shell calls OnWake at NextWake(). It writes through the
// serial link and reports through the view.
class TransferEngine {
public:
    TransferEngine(SerialLink& link, TransferView& view, BurnFileSource& files,
                   TextEncoder encoder);

    TransferState& State() { return state_; }
    const TransferState& State() const { return state_; }

    // Reads the burn file named by FilePath into the image and shows its size, block count
    // and CRC. A refused file leaves the previous image, its plan and the view as they were;
    // the result says whether the file was taken.
    bool LoadBurnFile();

    // The serial control's receive event: its code and the bytes its Input gave.
    void OnComm(TimePoint now, int commEvent, std::span<const std::uint8_t> input);
    // Reading the receive event failed: the current burst is dropped.
    void OnCommFailed();

    // Fires every timer due at now, in deadline order. Nothing due: nothing happens.
    void OnWake(TimePoint now);
    std::optional<TimePoint> NextWake() const { return timers_.NextDeadline(); }
    bool TimerEnabled(TimerId id) const { return timers_.Enabled(id); }

    // Builds and sends one data block, advancing SentLen and setting LastPackSent when a
    // 128-byte block runs past the end of the file.
    void SendAFrame(std::span<const std::uint8_t> Data, std::int16_t offset, std::int16_t length,
                    std::uint8_t pgno);

private:
    enum class PendingOutput { Discard, Keep };

    void SendHeadFrame();
    void SendAByte(std::uint8_t value, PendingOutput pending);
    void WriteFrame(std::span<const std::uint8_t> frame, PendingOutput pending);

    void ProcessReceData();
    void SendNextBlock();
    void ShowProgress();
    void AbandonTransfer();
    void EndTransferForNewImage();

    void FireTimer(TimerId id, TimePoint now);
    void OnTimerRecvOv();
    void OnTimerUpdateOv();
    void OnTimerSendEnd();
    void OnTimerFastReset();

    void ShowStatus(std::string_view text);

    SerialLink& link_;
    TransferView& view_;
    BurnFileSource& files_;
    TextEncoder encoder_;
    TransferState state_;
    std::optional<std::string> imagePath_;  // FilePath when the image was loaded
    TimerTable timers_;
    TimePoint now_{};
};

}  // namespace ymodem
