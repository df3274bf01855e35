#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "DeadlineTable.h"

namespace ymodem {

// The line as the device saw it, one text line per read or write, for benchmarks that
// measure a sender's pace from the outside: "NS r|w COUNT HEX". Buffered, so that logging
// costs the device loop next to nothing; failures throw std::system_error.
class TimingLog {
public:
    explicit TimingLog(const std::string& path);

    void Read(TimePoint at, std::span<const std::uint8_t> bytes) { Line(at, 'r', bytes); }
    void Write(TimePoint at, std::span<const std::uint8_t> bytes) { Line(at, 'w', bytes); }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void Line(TimePoint at, char direction, std::span<const std::uint8_t> bytes);

    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace ymodem
