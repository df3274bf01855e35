#include "FrameAssembler.h"

#include "Frames.h"

namespace ymodem {

namespace {

std::size_t FrameLength(std::uint8_t first) {
    switch (first) {
        case kSoh:
            return kShortFrameSize;
        case kStx:
            return kLongFrameSize;
        case kEot:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> FrameAssembler::Push(std::uint8_t byte) {
    if (partial_.empty()) {
        expected_ = FrameLength(byte);
        cancels_ = byte == kCan ? cancels_ + 1 : 0;
        if (expected_ == 0) return std::nullopt;
    }
    partial_.push_back(byte);
    if (partial_.size() < expected_) return std::nullopt;
    std::vector<std::uint8_t> frame;
    frame.swap(partial_);
    return frame;
}

}  // namespace ymodem
