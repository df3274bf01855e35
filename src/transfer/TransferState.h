#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ymodem {

// Where the sender stands in a transfer.
enum class SendStep : std::uint8_t {
    Idle = 0,           // waiting for the device's C
    Sending = 1,        // block 0 went out; every acknowledgement brings the next block
    Stopped = 2,        // finished or abandoned; only a reset leaves it
    LastBlockSent = 3,  // the block that ran past the end of the file went out; EOT is due
    EotSent = 4,        // waiting for the device's final ACK
};

// The variables the transfer keeps between its steps. All start at 0, false or empty and
// live as long as the engine.
struct TransferState {
    std::vector<std::uint8_t> FileData;  // the whole burn file
    std::int32_t FileSize = 0;           // 0 to 32767 for a loaded image
    std::int16_t PackCount = 0;          // data blocks planned, at most 39
    std::int32_t Pack1KEnd = 0;          // where the 1024-byte blocks give way to 128-byte ones
    std::int32_t SentLen = 0;            // file bytes already sent
    std::uint8_t CurPgno = 0;            // number of the block last sent
    bool LastPackSent = false;           // the block that ran past the end of the file went out
    ymodem::SendStep SendStep = ymodem::SendStep::Idle;
    std::array<std::uint8_t, 1048> ReceBuf{};  // the current reply burst; never cleared
    std::int32_t ReceLen = 0;                  // bytes in the current burst, next write position
};

}  // namespace ymodem
