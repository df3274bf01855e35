#pragma once

#include <cstdint>
#include <regex>
#include <span>
#include <string>

namespace ymodem {

// What a board prints once its new program runs, judged line by line against the pattern
// the user gave: the first line it finds decides. A boot loader that asks for a file again
// instead (its C, alone on the line and followed by silence) has not started the program.
class DeviceReply {
public:
    enum class Verdict { Waiting, Confirmed, Unconfirmed };

    explicit DeviceReply(std::regex pattern) : pattern_(std::move(pattern)) {}

    // The device's bytes; every line they end is judged.
    Verdict Take(std::span<const std::uint8_t> bytes);
    // Nothing more came for a while: an unfinished line of C's is the boot loader's request.
    Verdict TakeSilence();
    // The time is up: an unfinished line is judged as it is.
    Verdict TakeEnd();
    // Whether the unfinished line could be the boot loader's request.
    bool MayBeRequest() const;
    // The line that confirmed, as shown and recorded.
    const std::string& Confirmation() const { return confirmation_; }

private:
    Verdict JudgeLine();

    std::regex pattern_;
    std::string line_;
    std::string confirmation_;
    Verdict verdict_ = Verdict::Waiting;
};

}  // namespace ymodem
