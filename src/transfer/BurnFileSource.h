#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ImageBytes.h"

namespace ymodem {

// The window's limit: its counts and offsets are signed 16-bit values.
inline constexpr std::int32_t kMaxBurnFileSize = 32767;
// What ymodem-send and the virtual device take: 256 MiB.
inline constexpr std::int32_t kMaxLargeImageSize = 256 * 1024 * 1024;

// Reads a burn file whole. Gives nothing for anything that cannot serve as one: a missing
// or unreadable file, something that is not a regular file, or more than maxSize bytes.
class BurnFileSource {
public:
    virtual ~BurnFileSource() = default;
    virtual std::optional<std::vector<std::uint8_t>> ReadBurnFile(const std::string& path,
                                                                  std::int32_t maxSize) = 0;
    // The same as one image that any number of engines may hold at once. A source that
    // keeps an image hands out that one, so that many ports cost one copy.
    virtual std::optional<ImageBytes> ReadSharedBurnFile(const std::string& path,
                                                         std::int32_t maxSize) {
        auto bytes = ReadBurnFile(path, maxSize);
        if (!bytes) return std::nullopt;
        return ImageBytes(std::move(*bytes));
    }
    // Why the last read gave nothing, for a message; empty where the source cannot say.
    virtual std::string RefusalReason() const { return {}; }
};

}  // namespace ymodem
