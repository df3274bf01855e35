#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace ymodem {

// Writes the lines it is handed on a thread of its own, one at a time and in the order they
// were handed over, each through the append call (one write, on the disk when it returns).
// A log on a network share or a USB stick may take seconds to sync: here that holds up no
// port. Destroying the writer writes what is still queued first.
class RecordWriter {
public:
    // Gives whether the line reached the disk.
    using Append = std::function<bool(std::string_view line)>;

    explicit RecordWriter(Append append);
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Queues the line; never waits for the disk.
    void Write(std::string line);
    // Waits until every line handed over has been written or has failed, at most as long as
    // given (nothing: however long it takes); gives whether that point was reached.
    bool WaitUntilWritten(std::optional<std::chrono::milliseconds> most);
    // Whether some line could not be written.
    bool Failed() const;

private:
    void Run();

    Append append_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;
    bool writing_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    std::thread thread_;  // last: it starts once everything it uses is there
};

}  // namespace ymodem
