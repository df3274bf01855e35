#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

namespace ymodem::fuzz {

// Reads a fuzz input front to back. Past the end every read gives zeros, so any input,
// however short, is a complete script and a mutation changes only what follows it.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    bool Empty() const { return at_ >= bytes_.size(); }

    std::uint8_t Byte() { return Empty() ? 0 : bytes_[at_++]; }

    std::uint16_t Word() {
        const std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }

    // A value in [low, high], spread over two bytes so that the whole range is reachable.
    int Range(int low, int high) { return low + static_cast<int>(Word() % (high - low + 1)); }

    std::string Text(std::size_t length) {
        std::string text;
        while (text.size() < length && !Empty()) text += static_cast<char>(Byte());
        return text;
    }

    std::string Rest() {
        std::string text(reinterpret_cast<const char*>(bytes_.data() + at_), bytes_.size() - at_);
        at_ = bytes_.size();
        return text;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// A broken property is reported as a crash, so that libFuzzer keeps the input and the
// replay test fails on it.
inline void Require(bool holds, std::string_view what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz property broken: %.*s\n", static_cast<int>(what.size()),
                 what.data());
    std::abort();
}

}  // namespace ymodem::fuzz
