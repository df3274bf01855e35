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
    if (line_) line_->Wipe();
    WriteText(stream, text);
    Redraw();
}

std::size_t SendConsole::AddPort() {
    ports_.emplace_back();
    return ports_.size() - 1;
}

void SendConsole::ShowProgress(std::size_t port, const std::optional<TransferProgress>& progress) {
    ports_.at(port) = progress;
    Redraw();
}

void SendConsole::Redraw() {
    if (!line_) return;
    const bool underWay = std::any_of(ports_.begin(), ports_.end(),
                                      [](const auto& port) { return port.has_value(); });
    if (!underWay) {
        line_->Wipe();
    } else if (ports_.size() == 1) {
        line_->Draw(TransferLineText(*ports_.front()));
    } else {
        line_->Draw(SummaryLineText(ports_));
    }
}

}  // namespace ymodem
