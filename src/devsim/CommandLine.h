#pragma once

#include <span>
#include <string>
#include <string_view>

#include "DevsimOptions.h"

namespace ymodem {

// The device's exit codes, its own and documented in its help: 2 covers an unreadable
// --expect file as well as bad arguments, so it is not ymodem-send's usage code.
inline constexpr int kExitOk = 0;
inline constexpr int kExitMismatch = 1;
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitIo = 3;
inline constexpr int kExitTimeout = 4;
inline constexpr int kExitAborted = 5;

struct CommandLine {
    enum class Action { Run, Help, Version, Fail };
    Action What = Action::Run;
    DevsimOptions Options;
    std::string Error;  // for Fail
};

// The arguments after the program name. Options take their value as the next argument or
// after '='.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

std::string UsageText();

}  // namespace ymodem
