#include "DiskBurnFileSource.h"

#include <algorithm>
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

std::optional<std::vector<std::uint8_t>> DiskBurnFileSource::Refuse(std::string reason) {
    refusal_ = std::move(reason);
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> DiskBurnFileSource::ReadBurnFile(const std::string& path,
                                                                          std::int32_t maxSize) {
    const std::filesystem::path file = PathFromUtf8(path);
    if (path.empty() || !IsRegularFile(file)) return Refuse("not a regular file that exists");
    const std::string tooLarge = "larger than " + std::to_string(maxSize) + " bytes";
    std::error_code error;
    const auto reportedSize = std::filesystem::file_size(file, error);
    if (error) return Refuse(error.message());
    if (reportedSize > static_cast<std::uintmax_t>(maxSize)) return Refuse(tooLarge);

    std::ifstream in(file, std::ios::binary);
    if (!in) return Refuse("cannot be opened for reading");
    // The size on record may be stale (a file being written) or absent (kernel files), so
    // the read itself decides: up to one byte more than allowed, then check. The buffer
    // starts at the recorded size and grows only if more is there.
    const std::size_t most = static_cast<std::size_t>(maxSize) + 1;
    std::vector<std::uint8_t> bytes;
    std::size_t count = 0;
    std::size_t want = std::min<std::size_t>(static_cast<std::size_t>(reportedSize) + 1, most);
    for (;;) {
        bytes.resize(want);
        in.read(reinterpret_cast<char*>(bytes.data() + count),
                static_cast<std::streamsize>(want - count));
        count += static_cast<std::size_t>(in.gcount());
        if (!in || count == most) break;
        want = std::min(want * 2, most);
    }
    // A read error sets badbit; only a read that reached the end within the limit counts.
    if (in.bad()) return Refuse("a read error");
    if (!in.eof() || count > static_cast<std::size_t>(maxSize)) return Refuse(tooLarge);
    bytes.resize(count);
    refusal_.clear();
    return bytes;
}

}  // namespace ymodem
