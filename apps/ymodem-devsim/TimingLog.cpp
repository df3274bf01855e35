#include "TimingLog.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <system_error>

namespace ymodem {

namespace {

// Enough to tell a frame's kind and block number, or a whole reply.
constexpr std::size_t kShownBytes = 8;

}  // namespace

TimingLog::TimingLog(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {
    if (!file_) throw std::system_error(errno, std::generic_category(), "open " + path);
}

void TimingLog::Line(TimePoint at, char direction, std::span<const std::uint8_t> bytes) {
    std::fprintf(file_.get(), "%" PRId64 " %c %zu ", static_cast<std::int64_t>(at.count()),
                 direction, bytes.size());
    for (const std::uint8_t byte : bytes.first(std::min(bytes.size(), kShownBytes))) {
        std::fprintf(file_.get(), "%02x", byte);
    }
    std::fputc('\n', file_.get());
}

}  // namespace ymodem
