#pragma once

#include <optional>
#include <string>

#include <QStringList>

namespace ymodem {

// The command line of ymodem-send as QCommandLineParser splits it, values still text.
struct SendCommandLine {
    QStringList Positional;  // PORT FILE
    QString Baud = "115200";
    QString Count = "1";
    QString Timeout = "0";
    bool Quiet = false;
    bool EndSession = false;
};

// What the command line of ymodem-send asks for.
struct SendOptions {
    QString Port;
    std::string File;  // the path with the system's separators, as the engine takes it
    int Baud = 115200;
    int Count = 1;           // transfers to finish; 0 serves for ever
    int TimeoutSeconds = 0;  // 0: no limit
    bool Quiet = false;
    bool EndSession = false;  // close the batch with the empty block 0 after the last one
};

struct ParsedSendOptions {
    std::optional<SendOptions> Options;
    QString Error;  // why the command line was refused
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

// Checks the values of options that QCommandLineParser has already split.
ParsedSendOptions CheckSendOptions(const SendCommandLine& line);

}  // namespace ymodem
