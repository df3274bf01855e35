#include "Frames.h"

#include <string>

#include "Crc16.h"
#include "RangeError.h"

namespace ymodem {

namespace {

constexpr std::size_t kPayloadStart = 3;
// Name, its NUL, the size digits and their NUL must end by byte 130: name and digits
// together take at most 126 bytes.
constexpr std::size_t kHeadFieldRoom = 126;

void PutHeader(std::vector<std::uint8_t>& frame, std::uint8_t start, std::uint8_t pgno) {
    frame[0] = start;
    frame[1] = pgno;
    frame[2] = static_cast<std::uint8_t>(~pgno);
}

void PutCrc(std::vector<std::uint8_t>& frame) {
    const auto count = static_cast<std::int16_t>(frame.size() - 5);
    const auto crc = CalcCrc16(frame, static_cast<std::int16_t>(kPayloadStart), count);
    frame[frame.size() - 2] = crc[0];
    frame[frame.size() - 1] = crc[1];
}

std::uint8_t FileByte(std::span<const std::uint8_t> data, std::int64_t position) {
    if (position < 0 || static_cast<std::size_t>(position) >= data.size()) {
        throw RangeError("block reads outside the file image");
    }
    return data[static_cast<std::size_t>(position)];
}

// Length of the UTF-8 sequence that starts with lead; a stray byte counts as one.
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::string EncodeWithin(std::string_view name, std::size_t room, const TextEncoder& encode) {
    const std::string whole = encode(name);
    if (whole.size() <= room) return whole;
    std::string kept;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = std::min(Utf8SequenceLength(name[i]), name.size() - i);
        const std::string character = encode(name.substr(i, length));
        if (kept.size() + character.size() > room) break;
        kept += character;
        i += length;
    }
    return kept;
}

}  // namespace

DataFrame BuildDataFrame(std::span<const std::uint8_t> data, std::int32_t fileSize,
                         std::int32_t offset, std::int16_t length, std::uint8_t pgno,
                         std::int32_t lastPosition) {
    const bool isLong = length >= 1024;
    DataFrame frame;
    frame.Bytes.assign(isLong ? kLongFrameSize : kShortFrameSize, 0);
    PutHeader(frame.Bytes, isLong ? kStx : kSoh, pgno);
    const int payload = isLong ? 1024 : 128;
    for (int i = 0; i < payload; ++i) {
        const std::int64_t position = std::int64_t{offset} + i;
        if (position < 0 || position > lastPosition) throw RangeError("block position out of range");
        std::uint8_t& out = frame.Bytes[kPayloadStart + static_cast<std::size_t>(i)];
        if (!isLong && position >= fileSize) {
            out = kFill;
            frame.RanPastEnd = true;
        } else {
            out = FileByte(data, position);
        }
    }
    PutCrc(frame.Bytes);
    return frame;
}

std::vector<std::uint8_t> BuildHeadFrame(std::string_view name, std::int32_t fileSize,
                                         const TextEncoder& encode) {
    if (fileSize < 0) throw RangeError("negative file size");
    const std::string digits = std::to_string(fileSize);
    const std::string nameBytes = EncodeWithin(name, kHeadFieldRoom - digits.size(), encode);
    std::vector<std::uint8_t> frame(kShortFrameSize, 0);
    PutHeader(frame, kSoh, 0);
    auto out = frame.begin() + kPayloadStart;
    out = std::copy(nameBytes.begin(), nameBytes.end(), out);
    ++out;  // the name's NUL
    std::copy(digits.begin(), digits.end(), out);
    PutCrc(frame);
    return frame;
}

std::vector<std::uint8_t> BuildEmptyHeadFrame() {
    std::vector<std::uint8_t> frame(kShortFrameSize, 0);
    PutHeader(frame, kSoh, 0);
    PutCrc(frame);
    return frame;
}

std::string_view LastPathComponent(std::string_view path, char separator) {
    const std::size_t cut = path.rfind(separator);
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace ymodem
