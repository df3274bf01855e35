#include "RecordWriter.h"

#include <utility>

namespace ymodem {

RecordWriter::RecordWriter(Append append)
    : append_(std::move(append)), thread_([this] { Run(); }) {}

RecordWriter::~RecordWriter() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RecordWriter::Write(std::string line) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(line));
    }
    changed_.notify_all();
}

bool RecordWriter::WaitUntilWritten(std::optional<std::chrono::milliseconds> most) {
    std::unique_lock lock(mutex_);
    const auto written = [this] { return queue_.empty() && !writing_; };
    if (!most) {
        changed_.wait(lock, written);
        return true;
    }
    return changed_.wait_for(lock, *most, written);
}

bool RecordWriter::Failed() const {
    const std::lock_guard lock(mutex_);
    return failed_;
}

void RecordWriter::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, and all is written
        const std::string line = std::move(queue_.front());
        queue_.pop_front();
        writing_ = true;
        lock.unlock();
        const bool written = append_(line);
        lock.lock();
        writing_ = false;
        failed_ = failed_ || !written;
        changed_.notify_all();
    }
}

}  // namespace ymodem
