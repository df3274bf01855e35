#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace ymodem {

// How a transfer that began with block 0 ended. Unverified: it finished, yet the board
// did not print what --expect waits for.
enum class FlashResult { Ok, Rejected, Timeout, PortLost, Aborted, Unverified };

// One line of the flash log: what was sent where, and how it went. Texts are as given on
// the command line or shown on the status line.
struct FlashRecord {
    std::chrono::system_clock::time_point Time;  // the end of the transfer
    std::string Port;
    std::string File;
    std::int64_t Size = 0;
    std::string Crc16;   // "0x0832"
    std::string Sha256;  // 64 lower-case hexadecimal digits
    FlashResult Result = FlashResult::Ok;
    int Blocks = 0;  // data blocks sent
    std::int64_t DurationMs = 0;
    std::string Status;      // the last status text shown for the port
    std::string DeviceText;  // the line that confirmed the new program (--expect)
};

}  // namespace ymodem
