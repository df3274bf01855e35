#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ymodem {

// Paths cross the program as UTF-8 text and become the system's own form (UTF-16 on
// Windows, bytes elsewhere) only here, never by way of the ANSI code page.
// Text that is no valid UTF-8 gives an empty path, which names no file.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace ymodem
