#include "ConsoleView.h"

#include <algorithm>

#include "ConsoleText.h"
#include "EventText.h"

namespace ymodem {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ConsoleView::ConsoleView(std::FILE* out, std::FILE* bar, Clock clock, SentBytes sentBytes,
                         std::string prefix)
    : out_(out),
      bar_(bar),
      clock_(std::move(clock)),
      sentBytes_(std::move(sentBytes)),
      prefix_(std::move(prefix)) {}

void ConsoleView::Show(const TransferEvent& event) {
    if (std::holds_alternative<event::HandshakeStarted>(event)) started_ = clock_();
    if (const auto* progress = std::get_if<event::Progress>(&event)) {
        progress_ = *progress;
        DrawBar();
        return;
    }
    const auto text = PresentEvent(event);
    if (!text) return;
    if (text->Line == TextLine::FileInfo) {
        Print(text->Text);
    } else {
        PrintLine(text->Text);
    }
}

void ConsoleView::PrintLine(const std::string& text) {
    Print(prefix_ + text);
}

void ConsoleView::Print(const std::string& line) {
    EndBar();
    WriteText(out_, line + "\n");
}

void ConsoleView::DrawBar() {
    if (bar_ == nullptr) return;
    const int max = progress_.Max;
    const int value = progress_.Value;
    const int filled = max > 0 ? std::clamp(value * kBarWidth / max, 0, kBarWidth) : 0;
    const double seconds = std::chrono::duration<double>(clock_() - started_).count();
    const long bytes = sentBytes_();
    const long rate = seconds > 0 ? static_cast<long>(bytes / seconds) : 0;
    PrintText(bar_, "\r[%s%s] block %d/%d  %ld B/s ", std::string(filled, '#').c_str(),
              std::string(kBarWidth - filled, '.').c_str(), value, max, rate);
    barShown_ = true;
}

// The bar stays below the status lines: it is wiped before a line is written and drawn
// again with the next block.
void ConsoleView::EndBar() {
    if (!barShown_) return;
    WriteText(bar_, "\r\033[2K");
    barShown_ = false;
}

}  // namespace ymodem
