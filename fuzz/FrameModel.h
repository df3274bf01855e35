#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ymodem::fuzz {

// The separator the fuzzed engine is given; its paths are arbitrary text either way.
inline constexpr char kModelPathSeparator = '/';

// What the device must see on the line, worked out from the protocol's layout alone: every
// frame the engine writes is checked against the image it was loaded with.
class FrameModel {
public:
    using Bytes = std::vector<std::uint8_t>;

    Bytes Image;  // the image the engine holds; before any load, the empty one
    std::optional<std::string> ImagePath;  // the path the image was loaded from

    // Block 0 was built, written or not: a new transfer begins with it.
    void HeadBuilt(bool portOpen);
    void Loaded(Bytes image, std::string path, bool endedTransfer, bool portOpen);
    void PortClosed();
    void Written(std::span<const std::uint8_t> frame);

private:
    // One transfer as the device would see it: from a block 0 to the next block 0 or load.
    struct Transfer {
        bool Started = false;
        Bytes Image;
        std::string Name;
        bool SeenWhole = true;  // the port stayed open, so every frame of it was written
        int LastBlock = 0;
        bool FinalWritten = false;
        bool EotWritten = false;
    };

    void CheckEot(std::uint8_t byte);
    void CheckHead(std::size_t frameSize, std::span<const std::uint8_t> payload);
    void CheckData(int number, std::span<const std::uint8_t> payload);

    Transfer current_;
    // The EOT is owed to the last block that reached the end. Only the next block 0 and a
    // load that ends the transfer cancel it: an EOT written after a block 0 would end the
    // new transfer after its header and have its ACK reported as a finished transfer.
    bool eotDue_ = false;
    bool eotKnown_ = true;  // no frame went unwritten since the EOT's timer last stopped
};

}  // namespace ymodem::fuzz
