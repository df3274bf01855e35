#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "TransferView.h"

namespace ymodem {

// The window's status line and progress bar on a console: every status text as one line on
// the output, flushed at once; the bar, when wanted, as one line redrawn on the error stream.
class ConsoleView : public TransferView {
public:
    using StatusListener = std::function<void(const std::string&)>;
    using Clock = std::function<std::chrono::nanoseconds()>;

    ConsoleView(std::FILE* out, std::FILE* bar, Clock clock);

    void OnStatus(StatusListener listener) { listener_ = std::move(listener); }
    // Bytes sent so far, for the rate on the bar.
    void SetSentBytes(std::function<long()> sentBytes) { sentBytes_ = std::move(sentBytes); }

    void SetStatusText(const std::string& text) override;
    void SetFileInfoText(const std::string& text) override;
    int ProgressMax() const override { return max_; }
    void SetProgressMax(int max) override;
    int ProgressValue() const override { return value_; }
    void SetProgressValue(int value) override;

    const std::string& FileInfo() const { return fileInfo_; }
    // While muted, status texts are neither printed nor passed on.
    void SetMuted(bool muted) { muted_ = muted; }
    void PrintLine(const std::string& text);

private:
    void DrawBar();
    void EndBar();

    std::FILE* out_;
    std::FILE* bar_;  // null: no bar
    Clock clock_;
    StatusListener listener_;
    std::function<long()> sentBytes_;
    std::string fileInfo_;
    int max_ = 100;
    int value_ = 0;
    bool barShown_ = false;
    bool muted_ = false;
    std::chrono::nanoseconds started_{};
};

}  // namespace ymodem
