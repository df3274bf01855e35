#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ymodem {

// The command line of ymodem-send as the parser splits it, values still text.
struct SendCommandLine {
    std::vector<std::string> Positional;  // PORT FILE
    std::string Baud = "115200";
    std::string Count = "1";
    std::string Timeout = "0";
    bool Quiet = false;
    bool EndSession = false;
};

// What the command line of ymodem-send asks for. Texts are as given: UTF-8 on Windows,
// the system's bytes elsewhere.
struct SendOptions {
    std::string Port;
    std::string File;  // the path with the system's separators, as the engine takes it
    int Baud = 115200;
    int Count = 1;           // transfers to finish; 0 serves for ever
    int TimeoutSeconds = 0;  // 0: no limit
    bool Quiet = false;
    bool EndSession = false;  // close the batch with the empty block 0 after the last one
};

struct ParsedSendOptions {
    std::optional<SendOptions> Options;
    std::string Error;  // why the command line was refused
    // What --help or --version asks to print; the program then ends with kExitDone.
    std::optional<std::string> Answer;
};

// Exit codes of ymodem-send.
enum SendExit : int {
    kExitDone = 0,
    kExitUsage = 1,
    kExitLoadFailed = 2,
    kExitPortFailed = 3,
    kExitTimedOut = 4,
    kExitPortLost = 5,
    kExitInterrupted = 130,
    kExitTerminated = 143,
};

// Checks the values of options that the parser has already split.
ParsedSendOptions CheckSendOptions(const SendCommandLine& line);

// Splits and checks the whole command line, the program's name first.
ParsedSendOptions ParseSendCommandLine(const std::vector<std::string>& arguments);

}  // namespace ymodem
