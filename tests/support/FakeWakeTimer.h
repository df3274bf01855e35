#pragma once

#include <optional>

#include "WakeTimer.h"

namespace ymodem {

// A wake-up timer on simulated time: it only records the wait it was started with, and
// fires when the test says so.
class FakeWakeTimer final : public WakeTimer {
public:
    void SetHandler(Handler handler) override { handler_ = std::move(handler); }
    void Start(std::chrono::milliseconds wait) override { armed_ = wait.count(); }
    void Stop() override { armed_.reset(); }

    // The wait in milliseconds while started.
    std::optional<long long> Armed() const { return armed_; }
    // The wait is over: a started timer stops and calls its handler.
    void Fire() {
        if (!armed_) return;
        armed_.reset();
        if (handler_) handler_();
    }

private:
    Handler handler_;
    std::optional<long long> armed_;
};

}  // namespace ymodem
