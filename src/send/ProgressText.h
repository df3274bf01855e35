#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ymodem {

// The bytes of a transfer under way that have reached the device, as its owner knows
// them, and the size of the whole image.
struct TransferBytes {
    std::int64_t Confirmed = 0;
    std::int64_t Total = 0;
};

// One port's transfer as the progress line shows it.
struct TransferProgress {
    TransferBytes Bytes;
    std::optional<double> Rate;  // confirmed bytes a second; unset until measured
};

// The progress line, written as curl and pv write theirs: the percentage, a bar, the bytes,
// the rate and the time left. For one transfer:
//    45% [==========>            ] 14.0 KiB/31.2 KiB  955 B/s  ETA 0:00:17
std::string TransferLineText(const TransferProgress& progress);
// For several ports, one line over the round of transfers since the ports were last all
// idle: one entry a port, unset where the port has had no transfer in the round, ended
// ones counted whole and without a rate. It gives how many are under way, how much of the
// round's bytes is done, the rates added up, and the time until the slowest one ends.
//   3 of 16 ports flashing  45% [========>          ] 12.3 KiB/s  ETA 0:00:12
std::string SummaryLineText(std::span<const std::optional<TransferProgress>> round, int underWay);

}  // namespace ymodem
