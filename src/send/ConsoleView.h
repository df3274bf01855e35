#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "ProgressText.h"
#include "SendConsole.h"
#include "TransferEvent.h"

namespace ymodem {

// The window's status line and progress bar on a console, for one port: every text the
// window would show as one line on the output; the transfer under way on the progress line.
// The bar counts the bytes its owner says reached the device (acknowledged ones, or in a
// stream the ones that left the port), never the ones merely handed to the system.
class ConsoleView {
public:
    using Clock = std::function<std::chrono::nanoseconds()>;
    using ConfirmedBytes = std::function<TransferBytes()>;

    // Every status line starts with prefix (with several ports, the port's); the file line
    // never does.
    ConsoleView(SendConsole& console, Clock clock, ConfirmedBytes confirmed,
                std::string prefix = {});

    void Show(const TransferEvent& event);
    void PrintLine(const std::string& text);
    // The transfer under way has ended, however it ended: it leaves the progress line.
    void EndTransfer();

private:
    struct Sample {
        std::chrono::nanoseconds Time{};
        std::int64_t Bytes = 0;
    };

    void ShowProgress();

    SendConsole& console_;
    std::size_t port_;
    Clock clock_;
    ConfirmedBytes confirmed_;
    std::string prefix_;
    bool underWay_ = false;
    // Where the rate is measured from: the first data block, so that a boot loader that
    // erases its flash before it answers block 0 does not make the line look slow.
    std::optional<Sample> origin_;
};

}  // namespace ymodem
