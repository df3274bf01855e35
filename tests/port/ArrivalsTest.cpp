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

// A port waited for hears of its arrival however it arrives, through folders not there when
// the wait began too; a link kept in the ports folder hears of its device coming back.
TEST(PortArrivals, TellOfAPortWhereverItsNameWouldFindIt) {
    const struct {
        const char* Port;      // under the root when it holds a "/"
        const char* KeptLink;  // in the ports folder from the start, to this target
        const char* Node;      // the device that appears, under the root
        const char* NewLink;   // a link to it that appears then, under the root
    } rows[] = {{"serial/by-id/board", nullptr, "serial/by-id/board", nullptr},
                {"bench0", nullptr, "dev/ttyA", "cfg/ports/bench0"},
                {"bench1", "../../usb/ttyUSB0", "usb/ttyUSB0", nullptr},
                {"ttyUSB3", nullptr, "dev/ttyUSB3", nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Port);
        const TempFolder folder;
        const fs::path root = folder.Path();
        fs::create_directories(root / "dev");
        if (row.KeptLink) {
            fs::create_directories(root / "usb");
            fs::create_directories(root / "cfg" / "ports");
            fs::create_symlink(row.KeptLink, root / "cfg" / "ports" / row.Port);
        }
        const DevicePortNaming naming((root / "cfg" / "ports").string(),
                                      [] { return std::vector<DevicePortNaming::SystemPort>{}; },
                                      (root / "dev").string());
        const std::string port = std::string(row.Port).find('/') == std::string::npos
                                     ? row.Port
                                     : (root / row.Port).string();
        PortArrivals arrivals(
            [&naming](const std::string& name) { return naming.FoldersToWatch(name); });
        bool found = false;
        const auto watch =
            arrivals.Watch(port, [&] { found = found || naming.MayBePresent(port); });
        ASSERT_NE(watch, nullptr);
        ASSERT_FALSE(naming.MayBePresent(port));
        fs::create_directories((root / row.Node).parent_path());
        std::ofstream(root / row.Node).put('\n');
        if (row.NewLink) {
            fs::create_directories((root / row.NewLink).parent_path());
            fs::create_symlink(root / row.Node, root / row.NewLink);
        }
        pollfd readable{arrivals.Fd(), POLLIN, 0};
        while (!found && poll(&readable, 1, 2000) > 0) arrivals.OnReadable();
        EXPECT_TRUE(found);
    }
}

}  // namespace
}  // namespace ymodem::test
