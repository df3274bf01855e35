#include "DiskBurnFileSource.h"

#include <filesystem>
#include <fstream>

#include "Utf8Path.h"

namespace ymodem {

namespace {

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && !error;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DiskBurnFileSource::ReadBurnFile(const std::string& path,
                                                                          std::int32_t maxSize) {
    const std::filesystem::path file = PathFromUtf8(path);
    if (path.empty() || !IsRegularFile(file)) return std::nullopt;
    std::error_code error;
    const auto reportedSize = std::filesystem::file_size(file, error);
    if (error || reportedSize > static_cast<std::uintmax_t>(maxSize)) return std::nullopt;

    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    // The size on record may be stale (a file being written) or absent (kernel files), so
    // the read itself decides: up to one byte more than allowed, then check.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(maxSize) + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto count = static_cast<std::size_t>(in.gcount());
    // A read error sets badbit; only a read that reached the end within the limit counts.
    if (in.bad() || !in.eof() || count > static_cast<std::size_t>(maxSize)) return std::nullopt;
    bytes.resize(count);
    return bytes;
}

}  // namespace ymodem
