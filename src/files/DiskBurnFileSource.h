#pragma once

#include "BurnFileSource.h"

namespace ymodem {

// Burn files from the file system. Only regular files are opened, so a folder, a FIFO or a
// device is refused without a read that could block; reading stops one byte past maxSize,
// and memory grows with what is read, not with maxSize.
class DiskBurnFileSource : public BurnFileSource {
public:
    std::optional<std::vector<std::uint8_t>> ReadBurnFile(const std::string& path,
                                                          std::int32_t maxSize) override;
    std::string RefusalReason() const override { return refusal_; }

private:
    std::optional<std::vector<std::uint8_t>> Refuse(std::string reason);

    std::string refusal_;
};

}  // namespace ymodem
