#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ImageBytes.h"

namespace ymodem {

// Where the sender stands in a transfer.
enum class SendStep : std::uint8_t {
    Idle = 0,           // waiting for the device's C
    Sending = 1,        // block 0 went out; every acknowledgement brings the next block
    Stopped = 2,        // finished or abandoned; only a reset leaves it
    LastBlockSent = 3,  // the block that ran past the end of the file went out; EOT is due
    EotSent = 4,        // waiting for the device's final ACK
    Streaming = 5,      // the data blocks go out as the port drains, unacknowledged (G)
};

// The variables the transfer keeps between its steps. All start at 0, false or empty and
// live as long as the engine.
struct TransferState {
    ImageBytes FileData;         // the whole burn file
    std::int32_t FileSize = 0;   // up to the engine's image limit, 32767 in the window
    std::int32_t PackCount = 0;  // data blocks planned, at most 39 within 32767 bytes
    std::int32_t Pack1KEnd = 0;  // where the 1024-byte blocks give way to 128-byte ones
    std::int32_t SentLen = 0;    // file bytes already sent
    std::int32_t SentPacks = 0;  // data blocks sent since block 0, in full
    std::uint8_t CurPgno = 0;    // number of the block last sent: SentPacks modulo 256
    bool LastPackSent = false;           // the block that ran past the end of the file went out
    ymodem::SendStep SendStep = ymodem::SendStep::Idle;
    std::array<std::uint8_t, 1048> ReceBuf{};  // the current reply burst; never cleared
    std::int32_t ReceLen = 0;                  // bytes in the current burst, next write position
};

}  // namespace ymodem
