#include "ConsoleView.h"

#include <algorithm>

#include "StatusTexts.h"

namespace ymodem {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ConsoleView::ConsoleView(std::FILE* out, std::FILE* bar, Clock clock)
    : out_(out), bar_(bar), clock_(std::move(clock)) {}

void ConsoleView::SetStatusText(const std::string& text) {
    if (muted_) return;
    if (text == texts::kHandshaking) started_ = clock_();
    PrintLine(text);
    if (listener_) listener_(text);
}

void ConsoleView::PrintLine(const std::string& text) {
    EndBar();
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void ConsoleView::SetFileInfoText(const std::string& text) {
    fileInfo_ = text;
}

void ConsoleView::SetProgressMax(int max) {
    max_ = max;
}

void ConsoleView::SetProgressValue(int value) {
    value_ = value;
    DrawBar();
}

void ConsoleView::DrawBar() {
    if (bar_ == nullptr) return;
    const int filled = max_ > 0 ? std::clamp(value_ * kBarWidth / max_, 0, kBarWidth) : 0;
    const double seconds = std::chrono::duration<double>(clock_() - started_).count();
    const long bytes = sentBytes_ ? sentBytes_() : 0;
    const long rate = seconds > 0 ? static_cast<long>(bytes / seconds) : 0;
    std::fprintf(bar_, "\r[%s%s] block %d/%d  %ld B/s ", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), value_, max_, rate);
    std::fflush(bar_);
    barShown_ = true;
}

// The bar stays below the status lines: it is wiped before a line is written and drawn
// again with the next block.
void ConsoleView::EndBar() {
    if (!barShown_) return;
    std::fputs("\r\033[2K", bar_);
    std::fflush(bar_);
    barShown_ = false;
}

}  // namespace ymodem
