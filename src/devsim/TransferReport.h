#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ReceivedImage.h"
#include "ReceiverOptions.h"

namespace ymodem {

// "received: NAME size=N <FileInfoLine> time=1.234s rate=12345B/s", the middle part as the
// sender's window shows the same image.
std::string SummaryLine(const ReceivedImage& image);

// "verify: OK", or "verify: MISMATCH ..." saying where the two first differ.
std::string VerifyLine(std::span<const std::uint8_t> received,
                       std::span<const std::uint8_t> expected);

// How the session ended and how often the flash was erased, for the ends worth a line:
// "session: ..." for a batch the sender closed, "aborted: ..." for a cancelled one.
// Empty when a plain device simply took its transfers.
std::string SessionLine(SessionEnd end, int erases);

// A file name from block 0 that stays inside the output folder.
std::string SafeFileName(std::string_view name);

}  // namespace ymodem
