#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ReceivedImage.h"

namespace ymodem {

// Blocks our sender plans for an image of this size: whole 1024-byte blocks, then 128-byte
// blocks for the rest.
std::int16_t PackCount(std::int32_t size);

// "received: NAME size=N <FileInfoLine> time=1.234s rate=12345B/s", the middle part as the
// sender's window shows the same image.
std::string SummaryLine(const ReceivedImage& image);

// "verify: OK", or "verify: MISMATCH ..." saying where the two first differ.
std::string VerifyLine(std::span<const std::uint8_t> received,
                       std::span<const std::uint8_t> expected);

// A file name from block 0 that stays inside the output folder.
std::string SafeFileName(std::string_view name);

}  // namespace ymodem
