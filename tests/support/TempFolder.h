#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "Utf8Path.h"

namespace ymodem::test {

// A fresh folder under the system's temporary folder, removed with all its content. Its
// name holds Chinese and Korean letters by default: no 8-bit code page has both, so any
// path that passes through one fails the tests.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "ymodem-设置-설정-") {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path path =
                base / PathFromUtf8(prefix + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(path, error)) {
                path_ = path;
                return;
            }
        }
        throw std::runtime_error("no temporary folder");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A path below the folder as UTF-8 text, as the settings calls take it.
    std::string Utf8(const std::string& name) const {
        return Utf8FromPath(path_ / PathFromUtf8(name));
    }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace ymodem::test
