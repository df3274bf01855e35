#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "AppendOnlyFile.h"

namespace ymodem {

namespace {

int Descriptor(std::intptr_t handle) {
    return static_cast<int>(handle);
}

}  // namespace

std::optional<AppendOnlyFile> AppendOnlyFile::Open(const std::string& path, std::string& error) {
    // Read access too where it is granted, for the look at the last byte.
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY;
    int descriptor = ::open(path.c_str(), O_RDWR | kFlags, 0666);
    if (descriptor < 0 && errno == EACCES)
        descriptor = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "not a regular file";
        ::close(descriptor);
        return std::nullopt;
    }
    return AppendOnlyFile(descriptor);
}

void AppendOnlyFile::Close() {
    if (handle_ != kClosed) ::close(Descriptor(handle_));
    handle_ = kClosed;
}

bool AppendOnlyFile::Empty() const {
    struct stat info {};
    return ::fstat(Descriptor(handle_), &info) == 0 && info.st_size == 0;
}

bool AppendOnlyFile::EndsMidLine() const {
    struct stat info {};
    char last = '\n';
    return ::fstat(Descriptor(handle_), &info) == 0 && info.st_size > 0 &&
           ::pread(Descriptor(handle_), &last, 1, info.st_size - 1) == 1 && last != '\n';
}

std::string AppendOnlyFile::Head(std::size_t most) const {
    std::string head(most, '\0');
    const ssize_t read = ::pread(Descriptor(handle_), head.data(), most, 0);
    head.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return head;
}

bool AppendOnlyFile::Append(std::string_view bytes) {
    ssize_t written = 0;
    do {
        written = ::write(Descriptor(handle_), bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    // A short write leaves part of a line; it is reported like any failed one.
    if (written != static_cast<ssize_t>(bytes.size())) return false;
    return ::fsync(Descriptor(handle_)) == 0;
}

}  // namespace ymodem
