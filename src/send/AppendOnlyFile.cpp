#include "AppendOnlyFile.h"

#include <utility>

namespace ymodem {

AppendOnlyFile::~AppendOnlyFile() {
    Close();
}

AppendOnlyFile::AppendOnlyFile(AppendOnlyFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)) {}

AppendOnlyFile& AppendOnlyFile::operator=(AppendOnlyFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kClosed);
    }
    return *this;
}

}  // namespace ymodem
