#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ymodem {

// The bytes of a burn file, never changed once read and shared by whoever holds them: a
// run with many ports keeps one copy. It reads as the vector it was made from.
class ImageBytes {
public:
    ImageBytes() : bytes_(std::make_shared<const std::vector<std::uint8_t>>()) {}
    explicit ImageBytes(std::vector<std::uint8_t> bytes)
        : bytes_(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes))) {}

    operator const std::vector<std::uint8_t>&() const { return *bytes_; }
    operator std::span<const std::uint8_t>() const { return *bytes_; }
    const std::vector<std::uint8_t>& Bytes() const { return *bytes_; }
    std::size_t size() const { return bytes_->size(); }
    bool empty() const { return bytes_->empty(); }
    auto begin() const { return bytes_->begin(); }
    auto end() const { return bytes_->end(); }
    std::uint8_t operator[](std::size_t index) const { return (*bytes_)[index]; }
    // Whether both hold the very same copy, not only equal bytes.
    bool SameCopy(const ImageBytes& other) const { return bytes_ == other.bytes_; }

    friend bool operator==(const ImageBytes& a, const ImageBytes& b) {
        return a.SameCopy(b) || *a.bytes_ == *b.bytes_;
    }
    friend bool operator==(const ImageBytes& a, const std::vector<std::uint8_t>& b) {
        return *a.bytes_ == b;
    }

private:
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
};

}  // namespace ymodem
