#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
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
    // The port's transfer as it stands, or, unset, no transfer under way.
    void ShowProgress(std::size_t port, const std::optional<TransferProgress>& progress);

private:
    void Write(std::FILE* stream, std::string_view text);
    void Redraw();

    std::FILE* out_;
    std::FILE* err_;
    std::optional<TerminalLine> line_;
    std::vector<std::optional<TransferProgress>> ports_;
};

}  // namespace ymodem
