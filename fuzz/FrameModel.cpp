#include "FrameModel.h"

#include <algorithm>

#include "FuzzInput.h"
#include "ReferenceFrames.h"
#include "TransferEngine.h"

namespace ymodem::fuzz {

namespace {

// The protocol's bytes, written out here rather than taken from the code under test.
constexpr std::uint8_t kSohByte = 0x01;
constexpr std::uint8_t kStxByte = 0x02;
constexpr std::uint8_t kEotByte = 0x04;
constexpr std::uint8_t kFillByte = 0x1A;

std::string NameOf(const std::string& path) {
    const auto cut = path.find_last_of(kModelPathSeparator);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void FrameModel::HeadBuilt(bool portOpen) {
    current_ = Transfer{true, Image, NameOf(ImagePath.value_or("")), portOpen};
    eotDue_ = false;
    eotKnown_ = true;
}

void FrameModel::Loaded(Bytes image, std::string path, bool endedTransfer, bool portOpen) {
    Image = std::move(image);
    ImagePath = std::move(path);
    current_ = Transfer{};
    if (endedTransfer) {
        eotDue_ = false;
        eotKnown_ = portOpen;
    }
}

void FrameModel::PortClosed() {
    current_.SeenWhole = false;
    eotKnown_ = false;
}

void FrameModel::Written(std::span<const std::uint8_t> frame) {
    if (frame.size() == 1) {
        CheckEot(frame[0]);
        return;
    }
    Require(frame.size() == 133 || frame.size() == 1029, "frame of 133, 1029 or 1 bytes");
    Require(frame[0] == (frame.size() == 133 ? kSohByte : kStxByte), "start byte fits size");
    Require(frame[2] == static_cast<std::uint8_t>(255 - frame[1]), "block number complement");
    const auto payload = frame.subspan(3, frame.size() - 5);
    const std::uint16_t crc = test::ReferenceCrc16(payload);
    Require(frame[frame.size() - 2] == crc >> 8 && frame[frame.size() - 1] == (crc & 0xFF),
            "CRC-16/XMODEM of the payload");
    if (frame[1] == 0) {
        CheckHead(frame.size(), payload);
    } else {
        CheckData(frame[1], payload);
    }
}
void FrameModel::CheckEot(std::uint8_t byte) {
    Require(byte == kEotByte, "a one-byte frame is EOT");
    if (eotKnown_) Require(eotDue_, "EOT only after a block that reached the end, once");
    // Sending it stopped the timer, so whatever went unwritten before no longer counts.
    eotDue_ = false;
    eotKnown_ = true;
    current_.EotWritten = true;
}
void FrameModel::CheckHead(std::size_t frameSize, std::span<const std::uint8_t> payload) {
    Require(frameSize == 133, "block 0 is a 128-byte block");
    Require(current_.Started && current_.LastBlock == 0, "block 0 opens its transfer");
    const std::string digits = std::to_string(current_.Image.size());
    const auto nameEnd = std::find(payload.begin(), payload.end(), 0);
    Require(nameEnd != payload.end(), "block 0 has the name's NUL");
    const std::string name(payload.begin(), nameEnd);
    const std::size_t room = 126 - digits.size();
    Require(current_.Name.starts_with(name), "block 0 names the loaded file");
    if (current_.Name.size() <= room) {
        Require(name == current_.Name, "a name that fits is sent whole");
    } else {
        Require(name.size() <= room && name.size() + 4 > room,
                "a long name is cut by less than one character");
    }
    auto at = nameEnd + 1;
    for (const char digit : digits) {
        Require(at != payload.end() && *at++ == static_cast<std::uint8_t>(digit),
                "block 0 gives the image's size in decimal");
    }
    Require(std::all_of(at, payload.end(), [](std::uint8_t b) { return b == 0; }),
            "block 0 ends with NUL padding");
}
void FrameModel::CheckData(int number, std::span<const std::uint8_t> payload) {
    Require(current_.Started, "a data block follows block 0 of the image it carries");
    Require(!current_.FinalWritten && !current_.EotWritten,
            "nothing follows the block that reaches the end");
    Require(number > current_.LastBlock, "block numbers only grow");
    if (current_.SeenWhole) Require(number == current_.LastBlock + 1, "no block skipped");
    const int size = static_cast<int>(current_.Image.size());
    const int whole = size / 1024;
    const int planned = whole + (size % 1024 + 127) / 128;
    Require(number <= planned + 1, "block number within the plan plus one");
    const bool isLong = number <= whole;
    Require(payload.size() == (isLong ? 1024u : 128u),
            "1024-byte blocks while a whole one fits, then 128-byte ones");
    const int offset = isLong ? (number - 1) * 1024 : whole * 1024 + (number - 1 - whole) * 128;
    bool filled = false;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const std::size_t position = static_cast<std::size_t>(offset) + i;
        std::uint8_t expected = kFillByte;
        if (position < current_.Image.size()) {
            expected = current_.Image[position];
        } else {
            filled = true;
        }
        Require(payload[i] == expected, "data block carries the image at its offset");
    }
    current_.LastBlock = number;
    current_.FinalWritten = filled;
    if (filled) eotDue_ = true;
}
}  // namespace ymodem::fuzz
