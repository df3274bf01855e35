#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace ymodem {

// SHA-256 (FIPS 180-4) of a whole buffer, for the flash record: the image is in memory
// whole, so it is hashed in one call.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    static Digest Of(std::span<const std::uint8_t> data);
    // The digest as 64 lower-case hexadecimal digits.
    static std::string HexOf(std::span<const std::uint8_t> data);

private:
    explicit Sha256() = default;
    void Compress(std::span<const std::uint8_t, 64> block);

    std::array<std::uint32_t, 8> state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
};

}  // namespace ymodem
