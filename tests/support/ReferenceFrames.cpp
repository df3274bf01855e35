#include "ReferenceFrames.h"

#include <string>

namespace ymodem::test {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t ReferenceCrc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = (crc & 0x8000) != 0;
            const bool in = ((byte >> bit) & 1) != 0;
            crc = static_cast<std::uint16_t>(crc << 1);
            if (top != in) crc ^= 0x1021;
        }
    }
    return crc;
}

namespace {

void PutCrc(Bytes& frame) {
    const std::size_t payload = frame.size() - 5;
    const std::uint16_t crc = ReferenceCrc16(std::span(frame).subspan(3, payload));
    frame[3 + payload] = static_cast<std::uint8_t>(crc >> 8);
    frame[4 + payload] = static_cast<std::uint8_t>(crc & 0xFF);
}

}  // namespace

Bytes ExpectedDataFrame(const Bytes& image, std::size_t offset, std::size_t size,
                        std::uint8_t pgno) {
    Bytes frame(size + 5, 0);
    frame[0] = size == 1024 ? 0x02 : 0x01;
    frame[1] = pgno;
    frame[2] = static_cast<std::uint8_t>(255 - pgno);
    for (std::size_t i = 0; i < size; ++i) {
        frame[3 + i] = offset + i < image.size() ? image[offset + i] : std::uint8_t{0x1A};
    }
    PutCrc(frame);
    return frame;
}

Bytes ExpectedHeadFrame(const Bytes& name, std::size_t fileSize) {
    Bytes frame(133, 0);
    frame[0] = 0x01;
    frame[2] = 0xFF;
    std::size_t at = 3;
    for (const std::uint8_t byte : name) frame[at++] = byte;
    ++at;  // the name's NUL
    for (const char digit : std::to_string(fileSize)) {
        frame[at++] = static_cast<std::uint8_t>(digit);
    }
    PutCrc(frame);
    return frame;
}

}  // namespace ymodem::test
