#include "DeviceReply.h"

#include <algorithm>
#include <utility>

#include "DeviceText.h"

namespace ymodem {

namespace {

// A device that never ends its line still has it judged, in pieces this long.
constexpr std::size_t kMostLineBytes = 4096;
constexpr char kRequest = 'C';

}  // namespace

DeviceReply::Verdict DeviceReply::Take(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        if (verdict_ != Verdict::Waiting) break;
        if (byte == '\r' || byte == '\n' || line_.size() >= kMostLineBytes) {
            JudgeLine();
            if (byte == '\r' || byte == '\n') continue;
        }
        // Stray protocol bytes (a second ACK, a NUL) are no part of the text.
        if (byte >= 0x20 || byte == '\t') line_ += static_cast<char>(byte);
    }
    return verdict_;
}

DeviceReply::Verdict DeviceReply::TakeSilence() {
    if (verdict_ == Verdict::Waiting && MayBeRequest()) verdict_ = Verdict::Unconfirmed;
    return verdict_;
}

DeviceReply::Verdict DeviceReply::TakeEnd() {
    if (verdict_ == Verdict::Waiting && !MayBeRequest()) JudgeLine();
    if (verdict_ == Verdict::Waiting) verdict_ = Verdict::Unconfirmed;
    return verdict_;
}

bool DeviceReply::MayBeRequest() const {
    return !line_.empty() &&
           std::all_of(line_.begin(), line_.end(), [](char c) { return c == kRequest; });
}

DeviceReply::Verdict DeviceReply::JudgeLine() {
    const std::string line = std::exchange(line_, {});
    if (line.empty() || verdict_ != Verdict::Waiting) return verdict_;
    bool matched = false;
    try {
        matched = std::regex_search(line, pattern_);
    } catch (const std::regex_error&) {
        // A pattern too costly for this line matches nothing in it.
    }
    if (matched) {
        confirmation_ = DeviceLineText(line);
        verdict_ = Verdict::Confirmed;
    }
    return verdict_;
}

}  // namespace ymodem
