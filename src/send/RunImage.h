#pragma once

#include <optional>
#include <string>

#include "BurnFileSource.h"

namespace ymodem {

// The one image of a ymodem-send run: the burn file is read whole once, at the start, and
// every port's engine holds that same copy, so that a rebuild of the file during a shift
// changes no transfer and many ports cost no more memory than one. Its SHA-256, for the
// flash record, is worked out once as well.
class RunImage final : public BurnFileSource {
public:
    explicit RunImage(BurnFileSource& files) : files_(files) {}

    std::optional<std::vector<std::uint8_t>> ReadBurnFile(const std::string& path,
                                                          std::int32_t maxSize) override {
        return files_.ReadBurnFile(path, maxSize);
    }
    std::optional<ImageBytes> ReadSharedBurnFile(const std::string& path,
                                                 std::int32_t maxSize) override;

    // The SHA-256 of the image read, in hexadecimal.
    const std::string& Sha256Hex();
    std::string RefusalReason() const override { return files_.RefusalReason(); }

private:
    BurnFileSource& files_;
    std::optional<ImageBytes> image_;
    std::string path_;
    std::int32_t maxSize_ = 0;
    std::string sha256_;
};

}  // namespace ymodem
