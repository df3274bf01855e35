#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ymodem {

inline constexpr std::int32_t kMaxBurnFileSize = 32767;

// Reads a burn file whole. Gives nothing for anything that cannot serve as one: a missing
// or unreadable file, something that is not a regular file, or more than maxSize bytes.
class BurnFileSource {
public:
    virtual ~BurnFileSource() = default;
    virtual std::optional<std::vector<std::uint8_t>> ReadBurnFile(const std::string& path,
                                                                  std::int32_t maxSize) = 0;
};

}  // namespace ymodem
