#include "RunImage.h"

#include "Sha256.h"

namespace ymodem {

std::optional<ImageBytes> RunImage::ReadSharedBurnFile(const std::string& path,
                                                       std::int32_t maxSize) {
    if (!image_ || path != path_ || maxSize != maxSize_) {
        image_ = files_.ReadSharedBurnFile(path, maxSize);
        path_ = path;
        maxSize_ = maxSize;
        sha256_.clear();
    }
    return image_;
}

const std::string& RunImage::Sha256Hex() {
    if (sha256_.empty() && image_) sha256_ = Sha256::HexOf(*image_);
    return sha256_;
}

}  // namespace ymodem
