#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace ymodem {

inline constexpr std::chrono::seconds kRequestInterval{1};
// A frame that stops arriving half way is given up after this long, so that a lost byte
// costs one retransmission instead of swallowing the start of the next frame.
inline constexpr std::chrono::seconds kFrameStallTimeout{1};
inline constexpr std::chrono::seconds kSilence{3};
// A vendor IAP loader gives a started session up after this long without a byte.
inline constexpr std::chrono::seconds kIapSessionSilence{5};

// How the boot loader runs its YMODEM session.
enum class LoaderKind {
    // The loader ymodem-burner was made for: asks with C until the wanted transfers are
    // done, and answers an EOT with ACK and C at once.
    Plain,
    // A vendor IAP loader: every block 0 with a name erases the flash; after the EOT it
    // asks for the next file with C once a second; only an empty block 0 ends the session,
    // and five seconds without a byte abort it with CAN CAN.
    Iap,
};

struct ReceiverOptions {
    LoaderKind Loader = LoaderKind::Plain;
    int Count = 1;                            // transfers until a plain device is done
    std::chrono::milliseconds Gap{500};       // quiet time after a transfer before the next C
    std::chrono::milliseconds SplitReply{0};  // 0: block 0's ACK and C go out in one write
    // How long the flash takes to erase before block 0 with a name is answered.
    std::chrono::milliseconds EraseTime{0};
    std::optional<int> NakAt;        // block index (0 = block 0) rejected once
    std::optional<int> SilentAfter;  // block index after which it falls silent once
    bool Garbage = false;
    // YMODEM-G: asks with G, takes the blocks unacknowledged, and cancels a broken stream.
    bool Streamed = false;
    std::uint32_t GarbageSeed = 1;
    // A plain device whose board starts the new program: after the EOT's ACK it prints
    // this line (none when empty) instead of asking for the next file at once.
    std::optional<std::string> Banner;
    std::chrono::milliseconds BannerDelay{0};  // 0: in the ACK's own write
};

// Why a device stopped taking transfers.
enum class SessionEnd {
    AllTransfers,  // a plain device took the transfers it wanted
    EmptyHead,     // the sender ended the batch with an empty block 0
    SenderCancel,  // the sender aborted with CAN CAN
    Silence,       // an IAP loader heard nothing for too long and aborted with CAN CAN
    StreamBroken,  // a YMODEM-G device took a bad block and cancelled with CAN CAN
};

}  // namespace ymodem
