#pragma once

#include <filesystem>
#include <string_view>

namespace ymodem {

// A hidden name in the folder of `file` with a random tag, so that two running copies of
// the program never pick the same one: ".<file name>.<tag><suffix>".
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& file,
                                          std::string_view suffix);

}  // namespace ymodem
