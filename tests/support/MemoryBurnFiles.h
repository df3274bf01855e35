#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BurnFileSource.h"

namespace ymodem::test {

// Burn files kept in memory by path, refused as the disk refuses them when too large.
class MemoryBurnFiles : public BurnFileSource {
public:
    std::map<std::string, std::vector<std::uint8_t>> Files;

    std::optional<std::vector<std::uint8_t>> ReadBurnFile(const std::string& path,
                                                          std::int32_t maxSize) override;
};

}  // namespace ymodem::test
