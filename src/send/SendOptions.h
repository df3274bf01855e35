#pragma once

#include <optional>
#include <string>

#include <QStringList>

namespace ymodem {

// What the command line of ymodem-send asks for.
struct SendOptions {
    QString Port;
    QString File;
    QString Baud = "115200";
    int Count = 1;           // transfers to finish; 0 serves for ever
    int TimeoutSeconds = 0;  // 0: no limit
    bool Quiet = false;
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
ParsedSendOptions CheckSendOptions(const QStringList& positional, const QString& baud,
                                   const QString& count, const QString& timeout, bool quiet);

}  // namespace ymodem
