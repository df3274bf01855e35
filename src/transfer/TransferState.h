#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ymodem {

// The window-level variables the transfer shares between its steps. All live as long as
// the window and start at 0, false or empty.
struct TransferState {
    std::vector<std::uint8_t> FileData;  // the whole burn file
    std::int32_t FileSize = 0;           // 0 to 32767 for a loaded image
    std::int16_t PackCount = 0;          // data blocks planned, at most 39
    std::int32_t Pack1KEnd = 0;          // where the 1024-byte blocks give way to 128-byte ones
    std::int32_t SentLen = 0;            // file bytes already sent
    std::uint8_t CurPgno = 0;            // number of the block last sent
    bool LastPackSent = false;           // the block that ran past the end of the file went out
    std::uint8_t SendStep = 0;  // 0 idle, 1 sending, 2 stopped, 3 last block sent, 4 EOT sent
    std::array<std::uint8_t, 1048> ReceBuf{};  // the current reply burst; never cleared
    std::int32_t ReceLen = 0;                  // bytes in the current burst, next write position
    std::string FilePath;                      // UTF-8
    std::string SavedComm;                     // UTF-8
    std::int16_t SavedBaud = 0;
    bool PortOpened = false;
};

}  // namespace ymodem
