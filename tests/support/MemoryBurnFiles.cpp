#include "MemoryBurnFiles.h"

namespace ymodem::test {

std::optional<std::vector<std::uint8_t>> MemoryBurnFiles::ReadBurnFile(const std::string& path,
                                                                       std::int32_t maxSize) {
    const auto found = Files.find(path);
    if (found == Files.end() || found->second.size() > static_cast<std::size_t>(maxSize)) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace ymodem::test
