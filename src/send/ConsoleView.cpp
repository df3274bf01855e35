#include "ConsoleView.h"

#include "EventText.h"

namespace ymodem {

ConsoleView::ConsoleView(SendConsole& console, Clock clock, ConfirmedBytes confirmed,
                         std::string prefix)
    : console_(console),
      port_(console.AddPort()),
      clock_(std::move(clock)),
      confirmed_(std::move(confirmed)),
      prefix_(std::move(prefix)) {}

void ConsoleView::Show(const TransferEvent& event) {
    if (std::holds_alternative<event::HandshakeStarted>(event)) {
        underWay_ = true;
        origin_.reset();
    }
    if (underWay_ && !origin_ && std::holds_alternative<event::BlockSent>(event)) {
        origin_ = Sample{clock_(), confirmed_().Confirmed};
    }
    if (const auto text = PresentEvent(event)) {
        console_.Out((text->Line == TextLine::FileInfo ? "" : prefix_) + text->Text + "\n");
    }
    if (underWay_) ShowProgress();
}

void ConsoleView::PrintLine(const std::string& text) {
    console_.Out(prefix_ + text + "\n");
}

void ConsoleView::EndTransfer() {
    if (!underWay_) return;
    underWay_ = false;
    console_.EndTransfer(port_);
}

void ConsoleView::ShowProgress() {
    TransferProgress progress{confirmed_(), std::nullopt};
    const auto now = clock_();
    if (origin_ && now > origin_->Time) {
        const double seconds = std::chrono::duration<double>(now - origin_->Time).count();
        const auto bytes = progress.Bytes.Confirmed - origin_->Bytes;
        if (bytes > 0) progress.Rate = static_cast<double>(bytes) / seconds;
    }
    console_.ShowProgress(port_, progress);
}

}  // namespace ymodem
