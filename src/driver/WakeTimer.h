#pragma once

#include <chrono>
#include <functional>

namespace ymodem {

// A one-shot timer on the event loop's thread: once started it calls its handler once, a
// wait later, from the event loop. Starting it again, running or not, begins the wait anew.
class WakeTimer {
public:
    using Handler = std::function<void()>;

    virtual ~WakeTimer() = default;

    virtual void SetHandler(Handler handler) = 0;
    virtual void Start(std::chrono::milliseconds wait) = 0;
    virtual void Stop() = 0;
};

}  // namespace ymodem
