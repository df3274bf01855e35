#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ymodem {

// Reads the whole file and closes it. A missing file reads as empty; nothing comes back
// when the path exists but cannot be read (a folder, no permission, held by another
// program, a read error), so that a caller never mistakes such a file for an empty one
// and overwrites it.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces the file's content in one step: the bytes go to a new file in the same
// folder, which is synced and then renamed over the old one. A file that nobody may
// write (read-only on Windows) is not replaced. On any failure the new file is removed,
// the old one stays as it was, and the result is false.
bool ReplaceWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace ymodem
