#pragma once

#include <array>
#include <cstdint>
#include <variant>

namespace ymodem {

// What the engine reports, in the order it happened. Each event is a value: tests compare
// them, the window and the console turn them into the status line's texts.
namespace event {

// The device asked with C and block 0 went out.
struct HandshakeStarted {
    bool operator==(const HandshakeStarted&) const = default;
};
// Data block Number went out, counted from 1 in full; on the line it is numbered modulo 256.
// Streamed: written in a YMODEM-G stream, behind the blocks before it, without waiting for
// an answer.
struct BlockSent {
    std::int32_t Number = 0;
    bool Streamed = false;
    bool operator==(const BlockSent&) const = default;
};
// The EOT went out.
struct EotSent {
    bool operator==(const EotSent&) const = default;
};
// The device acknowledged the EOT.
struct Finished {
    bool operator==(const Finished&) const = default;
};
// The device rejected a block, or a block could not be built: the transfer is abandoned.
struct Rejected {
    bool operator==(const Rejected&) const = default;
};
// A reset found the transfer unfinished.
struct TimedOut {
    bool operator==(const TimedOut&) const = default;
};
// A burn file was loaded: what the file information line shows.
struct FileInformation {
    std::int32_t FileSize = 0;
    std::int32_t PackCount = 0;
    std::array<std::uint8_t, 2> Crc{};
    bool operator==(const FileInformation&) const = default;
};
// A burn file could not be loaded, or a C came while no usable image is loaded.
struct NoBurnFile {
    bool operator==(const NoBurnFile&) const = default;
};
// The progress bar: Value is set before Max when both change.
struct Progress {
    int Value = 0;
    int Max = 0;
    bool operator==(const Progress&) const = default;
};

// The batch was closed with the empty block 0: RequestCame tells whether the device asked
// for it at all, Acknowledged whether it acknowledged it.
struct SessionEnded {
    bool RequestCame = false;
    bool Acknowledged = false;
    bool operator==(const SessionEnded&) const = default;
};
// The transfer under way was cancelled on the line.
struct Aborted {
    bool operator==(const Aborted&) const = default;
};

// How a transfer under way ended.
enum class TransferOutcome {
    Finished,  // the device acknowledged the EOT
    Rejected,  // a NAK, a cancel in a stream, or a block that could not be built
    TimedOut,  // the watchdog or the fast reset found it unfinished
    Aborted,   // cancelled from our side
    Lost,      // the port went away
    Replaced,  // a new image was loaded
};
// A transfer that began with block 0 has ended; every transfer ends exactly once. It shows
// no text of its own: the texts before it said what happened.
struct TransferEnded {
    TransferOutcome Outcome = TransferOutcome::Finished;
    bool operator==(const TransferEnded&) const = default;
};

}  // namespace event

using TransferEvent =
    std::variant<event::HandshakeStarted, event::BlockSent, event::EotSent, event::Finished,
                 event::Rejected, event::TimedOut, event::FileInformation, event::NoBurnFile,
                 event::Progress, event::SessionEnded, event::Aborted, event::TransferEnded>;

}  // namespace ymodem
