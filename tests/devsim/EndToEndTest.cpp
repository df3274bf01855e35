#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "TestFrames.h"

namespace ymodem::test {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + program;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct EndToEndCase {
    const char* Name;
    std::size_t Size;
    const char* SbOptions;
};

void PrintTo(const EndToEndCase& c, std::ostream* out) {
    *out << c.Name;
}

class DevsimEndToEnd : public ::testing::TestWithParam<EndToEndCase> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "devsim-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

// Both programs bound their own run time: the device by --timeout, and sb by the device
// closing the line when it ends.
TEST_P(DevsimEndToEnd, LrzszSbDeliversTheFileIntactAndBothEndWell) {
    const auto sb = FindOnPath("sb");
    if (!sb) GTEST_SKIP() << "lrzsz's sb is not installed";
    const Bytes image = Image(GetParam().Size);
    const std::string file = (folder_ / "fw.bin").string();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
    fs::create_directory(folder_ / "out");

    const std::string devsimCommand = std::string(DEVSIM_PROGRAM) +
                                      " --no-link --gap 100 --timeout 20 --output " +
                                      (folder_ / "out").string() + " --expect " + file + " 2>" +
                                      (folder_ / "devsim.err").string();
    FILE* devsim = popen(devsimCommand.c_str(), "r");
    ASSERT_NE(devsim, nullptr);
    char line[256] = {};
    const bool gotPort = std::fgets(line, sizeof line, devsim) != nullptr;
    std::string port = std::string(line).substr(0, std::string(line).find('\n'));
    if (gotPort && port.starts_with("port: ")) {
        port.erase(0, 6);
        const int sbStatus =
            std::system((*sb + " --ymodem " + GetParam().SbOptions + " " + file + " <" + port +
                         " >" + port + " 2>" + (folder_ / "sb.err").string())
                            .c_str());
        EXPECT_TRUE(WIFEXITED(sbStatus) && WEXITSTATUS(sbStatus) == 0)
            << ReadText(folder_ / "sb.err");
    }
    std::string report;
    while (std::fgets(line, sizeof line, devsim) != nullptr) report += line;
    const int devsimStatus = pclose(devsim);
    ASSERT_TRUE(port.starts_with("/")) << port << ReadText(folder_ / "devsim.err");
    EXPECT_TRUE(WIFEXITED(devsimStatus) && WEXITSTATUS(devsimStatus) == 0)
        << ReadText(folder_ / "devsim.err");
    EXPECT_NE(report.find("received: fw.bin size=" + std::to_string(image.size()) + " "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\nverify: OK\n"), std::string::npos) << report;
    const std::string saved = ReadText(folder_ / "out" / "fw.bin");
    EXPECT_EQ(Bytes(saved.begin(), saved.end()), image);
}

INSTANTIATE_TEST_SUITE_P(, DevsimEndToEnd,
                         ::testing::Values(EndToEndCase{"OneKBlocks", 5000, "-k"},
                                           EndToEndCase{"ShortBlocks", 1100, ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace ymodem::test
