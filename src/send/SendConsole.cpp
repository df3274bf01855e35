#include "SendConsole.h"

#include <algorithm>
#include <cstdarg>
#include <string>

#include "ConsoleText.h"

namespace ymodem {

SendConsole::SendConsole(std::FILE* out, std::FILE* err, std::FILE* bar) : out_(out), err_(err) {
    if (bar != nullptr) line_.emplace(bar);
}

void SendConsole::Out(std::string_view text) {
    Write(out_, text);
}

void SendConsole::Err(std::string_view text) {
    Write(err_, text);
}

void SendConsole::PrintErr(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatText(format, arguments);
    va_end(arguments);
    Err(text);
}

void SendConsole::Write(std::FILE* stream, std::string_view text) {
    Wipe();
    WriteText(stream, text);
    Redraw();
}

void SendConsole::Wipe() {
    if (line_) line_->Wipe();
    drawn_.reset();
}

void SendConsole::Draw(const std::string& text) {
    if (text == drawn_) return;  // a terminal far away pays for every byte
    line_->Draw(text);
    drawn_ = text;
}

std::size_t SendConsole::AddPort() {
    round_.emplace_back();
    underWay_.push_back(false);
    return round_.size() - 1;
}

void SendConsole::ShowProgress(std::size_t port, const TransferProgress& progress) {
    round_.at(port) = progress;
    underWay_.at(port) = true;
    Redraw();
}

// An ended transfer counts as done for the round, so that the summary's share never runs
// backwards when one board of a tray is finished before the others.
void SendConsole::EndTransfer(std::size_t port) {
    if (!underWay_.at(port)) return;
    underWay_[port] = false;
    if (auto& ended = round_[port]) {
        ended->Bytes.Confirmed = ended->Bytes.Total;
        ended->Rate.reset();
    }
    if (std::none_of(underWay_.begin(), underWay_.end(), [](bool on) { return on; })) {
        std::fill(round_.begin(), round_.end(), std::nullopt);
    }
    Redraw();
}

void SendConsole::Redraw() {
    if (!line_) return;
    const auto underWay = std::count(underWay_.begin(), underWay_.end(), true);
    if (underWay == 0) {
        Wipe();
    } else if (round_.size() == 1) {
        Draw(TransferLineText(*round_.front()));
    } else {
        Draw(SummaryLineText(round_, static_cast<int>(underWay)));
    }
}

}  // namespace ymodem
