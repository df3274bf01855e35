#include "TestFrames.h"

#include "ReferenceFrames.h"

namespace ymodem::test {

Bytes BlockFrame(std::uint8_t number, const Bytes& payload) {
    Bytes frame{payload.size() == 1024 ? std::uint8_t{0x02} : std::uint8_t{0x01}, number,
                static_cast<std::uint8_t>(255 - number)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    const std::uint16_t crc = ReferenceCrc16(payload);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    return frame;
}

Bytes HeadFrame(const std::string& name, const std::string& sizeField) {
    Bytes payload(name.begin(), name.end());
    payload.push_back(0);
    payload.insert(payload.end(), sizeField.begin(), sizeField.end());
    payload.resize(128, 0);
    return BlockFrame(0, payload);
}

Bytes EmptyHeadFrame() {
    return BlockFrame(0, Bytes(128, 0));
}

Bytes Concat(const std::vector<Bytes>& frames) {
    Bytes all;
    for (const Bytes& frame : frames) all.insert(all.end(), frame.begin(), frame.end());
    return all;
}

Bytes Image(std::size_t size) {
    Bytes image(size);
    std::uint32_t state = 12345;
    for (auto& byte : image) {
        state = state * 1103515245 + 12345;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return image;
}

std::vector<Bytes> TransferFrames(const std::string& name, const Bytes& image, BlockSizes sizes) {
    const auto payload = [&](std::size_t offset, std::size_t length) {
        Bytes bytes(length, 0x1A);
        for (std::size_t i = 0; i < length && offset + i < image.size(); ++i) {
            bytes[i] = image[offset + i];
        }
        return bytes;
    };
    std::vector<Bytes> frames{HeadFrame(name, std::to_string(image.size()))};
    std::uint8_t number = 1;
    if (sizes == BlockSizes::Short) {
        for (std::size_t offset = 0; offset < image.size(); offset += 128) {
            frames.push_back(BlockFrame(number++, payload(offset, 128)));
        }
    } else {
        for (std::size_t offset = 0; offset <= image.size();) {
            const std::size_t length = image.size() - offset >= 1024 ? 1024 : 128;
            frames.push_back(BlockFrame(number++, payload(offset, length)));
            offset += length;
        }
    }
    frames.push_back({0x04});
    return frames;
}

}  // namespace ymodem::test
