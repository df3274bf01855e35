#include "TemporaryName.h"

#include <cstdint>
#include <random>
#include <string>

namespace ymodem {

std::filesystem::path TemporaryPathBeside(const std::filesystem::path& file,
                                          std::string_view suffix) {
    std::random_device random;
    const std::uint64_t tag = (std::uint64_t{random()} << 32) ^ random();
    std::filesystem::path name(".");
    name += file.filename();
    name += '.' + std::to_string(tag) + std::string(suffix);
    return file.parent_path() / name;
}

}  // namespace ymodem
