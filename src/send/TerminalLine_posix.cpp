#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "ConsoleText.h"
#include "TerminalLine.h"

namespace ymodem {

namespace {

constexpr std::string_view kEraseToEnd = "\033[K";

// A terminal that does not tell its width is taken as the classic 80 columns.
std::size_t Columns(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

void TerminalLine::Draw(std::string_view text) {
    // The last column is left free: some terminals wrap as soon as it is written.
    const std::string_view shown = text.substr(0, Columns(stream_) - 1);
    WriteText(stream_, "\r" + std::string(shown) + std::string(kEraseToEnd));
    shown_ = true;
}

void TerminalLine::Wipe() {
    if (!shown_) return;
    WriteText(stream_, "\r" + std::string(kEraseToEnd));
    shown_ = false;
}

}  // namespace ymodem
