#pragma once

#include <optional>

namespace ymodem {

// Turns the requests to stop the program (SIGINT and SIGTERM, or the console's break and
// close events) into something the event loop can wait for, so that the port is closed
// in an orderly way on the loop's thread. One instance a program.
class StopSignals {
public:
#ifdef _WIN32
    using WaitHandle = void*;  // an event, set while a request waits
#else
    using WaitHandle = int;  // a descriptor, readable while a request waits
#endif

    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    WaitHandle Handle() const {
        return handle_;
    }
    // The exit code the oldest waiting request asks for (130 for an interrupt, 143 for a
    // termination), if one waits.
    std::optional<int> TakeRequest();
    // The program has closed its port after a request: where the system ends the program
    // as soon as the request has been answered (a console window closed), it waits for this.
    void Done();

private:
    WaitHandle handle_;
#ifdef _WIN32
    WaitHandle done_;
#else
    int writeEnd_ = -1;
#endif
};

}  // namespace ymodem
