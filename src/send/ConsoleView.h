#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "TransferEvent.h"

namespace ymodem {

// The window's status line and progress bar on a console: every text the window would
// show as one line on the output, flushed at once; the bar, when wanted, as one line
// redrawn on the error stream.
class ConsoleView {
public:
    using Clock = std::function<std::chrono::nanoseconds()>;
    using SentBytes = std::function<long()>;

    // sentBytes gives the bytes sent so far, for the rate on the bar. Every status line
    // starts with prefix (with several ports, the port's); the file line never does.
    ConsoleView(std::FILE* out, std::FILE* bar, Clock clock, SentBytes sentBytes,
                std::string prefix = {});

    void Show(const TransferEvent& event);
    void PrintLine(const std::string& text);

private:
    void DrawBar();
    void EndBar();
    void Print(const std::string& line);

    std::FILE* out_;
    std::FILE* bar_;  // null: no bar
    Clock clock_;
    SentBytes sentBytes_;
    std::string prefix_;
    event::Progress progress_;
    bool barShown_ = false;
    std::chrono::nanoseconds started_{};
};

}  // namespace ymodem
