#include <poll.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "DevicePortNaming.h"
#include "PortArrivals_posix.h"
#include "TempFolder.h"

namespace ymodem::test {
namespace {

namespace fs = std::filesystem;

void MakeFile(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path).put('\n');
}

// A port waited for hears of its arrival however it arrives, through folders that were not
// there when the wait began too; a link kept in the ports folder hears of its device.
TEST(PortArrivals, TellOfAPortWhereverItsNameWouldFindIt) {
    using Step = std::function<void(const fs::path& root)>;
    const Step nothing = [](const fs::path&) {};
    const struct {
        const char* Name;
        std::string Port;  // relative to the root when it holds a "/"
        Step Before, Appear;
    } rows[] = {
        {"a path under folders not made yet", "serial/by-id/board", nothing,
         [](const fs::path& root) { MakeFile(root / "serial" / "by-id" / "board"); }},
        {"a link made in a ports folder not made yet", "bench0", nothing,
         [](const fs::path& root) {
             MakeFile(root / "dev" / "ttyA");
             fs::create_directories(root / "cfg" / "ports");
             fs::create_symlink(root / "dev" / "ttyA", root / "cfg" / "ports" / "bench0");
         }},
        {"a kept link whose device comes back", "bench1",
         [](const fs::path& root) {
             fs::create_directories(root / "usb");
             fs::create_directories(root / "cfg" / "ports");
             fs::create_symlink("../../usb/ttyUSB0", root / "cfg" / "ports" / "bench1");
         },
         [](const fs::path& root) { MakeFile(root / "usb" / "ttyUSB0"); }},
        {"a system port's node", "ttyUSB3", nothing,
         [](const fs::path& root) { MakeFile(root / "dev" / "ttyUSB3"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TempFolder folder;
        const fs::path root = folder.Path();
        fs::create_directories(root / "dev");
        row.Before(root);
        const DevicePortNaming naming((root / "cfg" / "ports").string(),
                                      [] { return std::vector<DevicePortNaming::SystemPort>{}; },
                                      (root / "dev").string());
        const std::string port =
            row.Port.find('/') == std::string::npos ? row.Port : (root / row.Port).string();
        PortArrivals arrivals(
            [&naming](const std::string& name) { return naming.FoldersToWatch(name); });
        bool found = false;
        const auto watch =
            arrivals.Watch(port, [&] { found = found || naming.MayBePresent(port); });
        ASSERT_NE(watch, nullptr);
        ASSERT_FALSE(naming.MayBePresent(port));
        row.Appear(root);
        pollfd readable{arrivals.Fd(), POLLIN, 0};
        while (!found && poll(&readable, 1, 2000) > 0) arrivals.OnReadable();
        EXPECT_TRUE(found);
    }
}

}  // namespace
}  // namespace ymodem::test
