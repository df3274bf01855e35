#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ymodem::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Frames built from the wire layout alone, with the tests' own CRC, so that a fault in the
// device's reading is not mirrored by the same fault here.
Bytes BlockFrame(std::uint8_t number, const Bytes& payload);  // 128 bytes: SOH, 1024: STX
Bytes HeadFrame(const std::string& name, const std::string& sizeField);
Bytes EmptyHeadFrame();
Bytes Concat(const std::vector<Bytes>& frames);
Bytes Image(std::size_t size);

enum class BlockSizes { Sender, Short };

// A whole transfer: block 0, the data blocks and EOT. Sender blocks are laid out as our
// sender lays them out: 1024-byte blocks while a whole one fits, then 128-byte blocks,
// and always one that runs past the end. Short blocks are all 128 bytes, as lrzsz sends
// without -k.
std::vector<Bytes> TransferFrames(const std::string& name, const Bytes& image, BlockSizes sizes);

}  // namespace ymodem::test
