#pragma once

#include <span>
#include <string>
#include <string_view>

#include "DevsimOptions.h"

namespace ymodem {

inline constexpr int kExitOk = 0;
inline constexpr int kExitMismatch = 1;
inline constexpr int kExitUsage = 2;
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
