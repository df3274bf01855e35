#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "ReceiverOptions.h"

namespace ymodem {

struct DevsimOptions {
    std::optional<std::string> Port;  // an existing tty instead of a new pseudo-terminal
    std::string LinkName = "virtual0";
    bool Link = true;
    // After each transfer the line goes away and a new one comes under the same name, as a
    // USB boot loader's port does when the board resets.
    bool Replug = false;
    std::optional<std::string> Output;
    std::optional<std::string> Expect;
    std::optional<std::string> Timing;  // every read and write with its time, for benchmarks
    std::chrono::seconds Timeout{0};    // 0: none
    std::uint32_t LineRate = 0;         // 0: as fast as the pseudo-terminal goes
    ReceiverOptions Receiver;
};

}  // namespace ymodem
