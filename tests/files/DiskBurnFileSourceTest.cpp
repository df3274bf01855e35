#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DiskBurnFileSource.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ymodem::test {
namespace {

namespace fs = std::filesystem;

fs::path Utf8Name(std::string_view name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

// Burn-file paths are UTF-8 text, on Windows too.
std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class FilesBurnFileSource : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("burnfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const fs::path& name, std::size_t size) {
        const fs::path path = folder_ / name;
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 3));
        return Utf8(path);
    }

    fs::path folder_;
    DiskBurnFileSource source_;
};

TEST_F(FilesBurnFileSource, ReadsRegularFilesUpToTheLimit) {
    for (const std::size_t size : {0u, 1u, 5000u, 32767u}) {
        const auto bytes = source_.ReadBurnFile(Write("f.bin", size), 32767);
        ASSERT_TRUE(bytes.has_value()) << size;
        ASSERT_EQ(bytes->size(), size);
        if (size > 0) {
            EXPECT_EQ((*bytes)[size - 1], static_cast<std::uint8_t>((size - 1) * 3));
        }
    }
}

TEST_F(FilesBurnFileSource, RefusesWhatCannotServeAsABurnFile) {
    const std::string big = Write("big.bin", 32768);
    const fs::path sparse = folder_ / "sparse.bin";
    { std::ofstream touch(sparse); }
    fs::resize_file(sparse, std::uintmax_t{2} << 30);
    std::vector<std::string> refused{big, Utf8(sparse), Utf8(folder_ / "missing.bin"),
                                     Utf8(folder_), ""};
#ifndef _WIN32
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    refused.push_back(fifo.string());
    refused.push_back("/dev/zero");
    refused.push_back("/proc/self/mem");  // a regular file whose read fails, even for root
#endif
    for (const auto& path : refused) {
        EXPECT_FALSE(source_.ReadBurnFile(path, 32767).has_value()) << path;
    }
}

TEST_F(FilesBurnFileSource, ReadsNonAsciiPaths) {
    const std::string path = Write(Utf8Name("烧写-설정.bin"), 10);
    EXPECT_TRUE(source_.ReadBurnFile(path, 32767).has_value());
}

}  // namespace
}  // namespace ymodem::test
