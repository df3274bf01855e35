#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The only calls into the operating system's own interfaces (Platform_win.cpp,
// Platform_posix.cpp). Paths are std::filesystem paths, wide on Windows, so that no path
// ever passes through the ANSI code page; texts are UTF-8.
namespace ymodem {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The line break the system's own tools write: CRLF on Windows, LF elsewhere.
std::string_view NativeLineEnd();

// The value of an environment variable; nothing when it is unset.
std::optional<std::string> EnvironmentValue(const std::string& name);

// Opens a new file for binary writing; nothing when the name is taken or the file cannot
// be created, in which case nothing was created.
FilePtr CreateNewFile(const std::filesystem::path& path);

// Pushes the file's written bytes to the disk, so that a crash right after a rename
// cannot leave an empty settings file behind. The stream must be flushed first.
bool SyncToDisk(std::FILE* file);

// Renames `from` over the existing or missing file `to` in one step. Where files carry
// permission bits, `to`'s are kept. Fails, changing nothing, where the system will not
// replace `to` (on Windows a read-only file, or one another program holds open).
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Whether this user may create a file in the folder, found out by creating one and
// removing it again: permissions alone do not tell (access lists, read-only media).
bool CanCreateFileIn(const std::filesystem::path& folder);

}  // namespace ymodem
