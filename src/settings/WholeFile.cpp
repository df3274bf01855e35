#include "WholeFile.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <system_error>

#include "Platform.h"

namespace ymodem {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A link stays a link: the new content replaces the file it points to.
fs::path FollowLink(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) {
        return path;
    }
    fs::path target = fs::canonical(path, error);
    return error ? path : target;
}

// Random, and opened with exclusive creation below, so that two running copies of the
// program never share a temporary file.
fs::path TemporaryPathBeside(const fs::path& target) {
    std::random_device random;
    const std::uint64_t tag = (std::uint64_t{random()} << 32) ^ random();
    fs::path temporary = target;
    temporary.replace_filename('.' + target.filename().string() + '.' + std::to_string(tag) +
                               ".tmp");
    return temporary;
}

bool WriteSyncAndClose(FilePtr file, std::string_view bytes) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                         std::fflush(file.get()) == 0 && SyncToDisk(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed;
}

bool MoveOver(const fs::path& from, const fs::path& to) {
    std::error_code error;
    const fs::file_status old = fs::status(to, error);
    if (fs::exists(old)) {
        // A failure only costs the old file's permissions, not the content.
        fs::permissions(from, old.permissions(), error);
    }
    fs::rename(from, to, error);
    return !error;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return std::string();
    }
    if (error || fs::is_directory(status)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    std::string chunk(64 * 1024, '\0');
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

bool ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    const fs::path target = FollowLink(path);
    const fs::path temporary = TemporaryPathBeside(target);
    FilePtr file(std::fopen(temporary.string().c_str(), "wbx"));
    if (!file) {
        return false;  // nothing was created, so there is nothing to clean up
    }
    const bool replaced = WriteSyncAndClose(std::move(file), bytes) && MoveOver(temporary, target);
    if (!replaced) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    return replaced;
}

}  // namespace ymodem
