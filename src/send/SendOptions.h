#pragma once

#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace ymodem {

// The command line of ymodem-send as the parser splits it, values still text.
struct SendCommandLine {
    std::vector<std::string> Positional;  // PORT... FILE
    std::string Baud = "115200";
    std::string Count = "1";
    std::string Timeout = "0";
    std::string EraseTimeout;  // empty: not given
    std::string Log;
    bool LogFileGiven = false;
    std::string Expect;
    bool ExpectGiven = false;
    std::string ExpectTimeout;  // empty: not given
    bool Quiet = false;
    bool EndSession = false;
    bool WaitPort = false;
};

// What the command line of ymodem-send asks for. Texts are as given: UTF-8 on Windows,
// the system's bytes elsewhere.
struct SendOptions {
    std::vector<std::string> Ports;  // as given, in command-line order, each once
    std::string File;  // the path with the system's separators, as the engine takes it
    int Baud = 115200;
    int Count = 1;           // transfers to finish on each port; 0 serves for ever
    int TimeoutSeconds = 0;  // 0: no limit
    // How long a device may take to answer block 0; unset: the watchdog's 2000 ms.
    std::optional<int> EraseTimeoutMs;
    std::string LogFile;  // empty: no flash log
    // What the board prints once the new program runs (ECMAScript); unset: no check.
    std::optional<std::regex> Expect;
    int ExpectTimeoutSeconds = 10;
    bool Quiet = false;
    bool EndSession = false;  // close the batch with the empty block 0 after the last one
    bool WaitPort = false;    // wait for a port that is not there, also after a loss
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
    kExitLogFailed = 6,
    kExitUnconfirmed = 7,
    kExitInterrupted = 130,
    kExitTerminated = 143,
};

// Checks the values of options that the parser has already split.
ParsedSendOptions CheckSendOptions(const SendCommandLine& line);

// Splits and checks the whole command line, the program's name first.
ParsedSendOptions ParseSendCommandLine(const std::vector<std::string>& arguments);

// A command line that ends the run before it starts: prints what --help or --version asks
// for, or why the line was refused, and gives the exit code; nothing when the run goes on.
std::optional<int> AnswerCommandLine(const ParsedSendOptions& parsed);

}  // namespace ymodem
