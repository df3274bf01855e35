#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ProgressText.h"
#include "TerminalLine.h"

namespace ymodem {

// Everything a ymodem-send run writes: status lines on the output, messages on the error
// stream and, on a terminal, one progress line below them. The progress line is wiped
// before any other line is written and drawn again after it, so that no line ever starts
// behind an unfinished bar.
class SendConsole {
public:
    // bar: the terminal stream the progress line is drawn on; null: no progress line.
    SendConsole(std::FILE* out, std::FILE* err, std::FILE* bar);

    // Write the text as it stands, line breaks included.
    void Out(std::string_view text);
    void Err(std::string_view text);
    void PrintErr(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // A place for one port's transfers on the progress line; with one port the line shows
    // its transfer, with several one summary of all of them.
    std::size_t AddPort();
    // The port's transfer under way as it stands.
    void ShowProgress(std::size_t port, const TransferProgress& progress);
    // The port's transfer has ended, however it ended. Once none is under way the line goes.
    void EndTransfer(std::size_t port);

private:
    void Write(std::FILE* stream, std::string_view text);
    void Redraw();
    void Draw(const std::string& text);
    void Wipe();

    std::FILE* out_;
    std::FILE* err_;
    std::optional<TerminalLine> line_;
    std::optional<std::string> drawn_;  // what the line shows
    // Each port's transfer in the round since all were last idle, under way or ended.
    std::vector<std::optional<TransferProgress>> round_;
    std::vector<bool> underWay_;
};

}  // namespace ymodem
