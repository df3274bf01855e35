#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ymodem::test {

// A boot loader that answers every frame as the ones this tool serves do: ACK and C after
// block 0 (as one burst, or as two when split), ACK after every data block and the EOT.
class ScriptedBootLoader {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit ScriptedBootLoader(bool splitFirstReply = false) : split_(splitFirstReply) {}

    // The bursts that answer one frame, in order.
    std::vector<Bytes> RepliesTo(std::span<const std::uint8_t> frame) const;

private:
    bool split_;
};

}  // namespace ymodem::test
