#include "WholeFile.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "Platform.h"
#include "TemporaryName.h"

namespace ymodem {

namespace {

namespace fs = std::filesystem;

// A link stays a link: the new content replaces the file it points to.
fs::path FollowLink(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) {
        return path;
    }
    fs::path target = fs::canonical(path, error);
    return error ? path : target;
}

// The read-only attribute on Windows, mode 0444 and the like elsewhere: whoever set it
// wants the file kept, which a rename over it would not respect on every system.
bool WriteForbidden(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
        return false;
    }
    constexpr fs::perms kAnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & kAnyWrite) == fs::perms::none;
}

bool WriteSyncAndClose(FilePtr file, std::string_view bytes) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                         std::fflush(file.get()) == 0 && SyncToDisk(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path) {
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

bool ReplaceWholeFile(const fs::path& path, std::string_view bytes) {
    const fs::path target = FollowLink(path);
    if (target.empty() || WriteForbidden(target)) {
        return false;
    }
    const fs::path temporary = TemporaryPathBeside(target, ".tmp");
    FilePtr file = CreateNewFile(temporary);
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
