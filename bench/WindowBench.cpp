// The window as a user starts it: the real serial control, burn files from disk, Load()
// and show(). Prints, one "key value" a line:
//   app NS       the monotonic clock once QApplication stands
//   built NS     ... once the window is constructed
//   loaded NS    ... once Load() has scanned the ports and read the settings and the file
//   shown NS     ... once the window has been exposed and painted; the caller subtracts
//                the moment it started this process
//   rss KIB      resident memory at that moment
//   open PORT    the port was opened through the window's own button
// and then idles in the event loop until it is killed, with the port open on a pseudo-
// terminal that nobody writes to: every wake-up the caller counts from then on is the
// window's own. Needs XDG_CONFIG_HOME, so that the settings it writes and the port link it
// makes land in a throw-away folder rather than the user's.
// With --bare it shows an empty QWidget of the same size instead and prints app, shown and rss:
// what Qt alone costs on the machine.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <QApplication>
#include <QTest>

#include "DevicePortNaming.h"
#include "DiskBurnFileSource.h"
#include "QtForm1Window.h"
#include "QtSerialBackend.h"
#include "SerialControl.h"

namespace {

constexpr const char* kPortName = "bench0";

// The device's end of a pseudo-terminal, kept open and silent for the life of the program
// so that the window's end never sees a hang-up.
class SilentLine {
public:
    SilentLine() : fd_(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0 || ptsname(fd_) == nullptr) {
            throw std::runtime_error("no pseudo-terminal");
        }
        peer_ = ptsname(fd_);
    }
    ~SilentLine() {
        if (fd_ >= 0) ::close(fd_);
    }
    SilentLine(const SilentLine&) = delete;
    SilentLine& operator=(const SilentLine&) = delete;

    const std::string& Peer() const { return peer_; }

private:
    int fd_;
    std::string peer_;
};

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

long long MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ShowAndReport(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "bench_window: the window was never exposed\n");
        return false;
    }
    QCoreApplication::processEvents();
    std::printf("shown %lld\nrss %ld\n", MonotonicNs(), ResidentKib());
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("XDG_CONFIG_HOME") == nullptr) {
        std::fprintf(stderr, "bench_window: set XDG_CONFIG_HOME to a throw-away folder\n");
        return 2;
    }
    QApplication app(argc, argv);
    std::printf("app %lld\n", MonotonicNs());
    if (QCoreApplication::arguments().contains("--bare")) {
        QWidget bare;
        bare.setFixedSize(545, 145);
        return ShowAndReport(bare) ? QApplication::exec() : 1;
    }
    const SilentLine line;
    // Offered in the ports folder before the window scans, as a plugged-in adapter would be.
    const std::filesystem::path folder = ymodem::DevicePortNaming::DefaultPortsFolder();
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / kPortName);
    std::filesystem::create_symlink(line.Peer(), folder / kPortName);

    ymodem::SerialControl comm(ymodem::QtSerialBackend::SystemNaming(),
                               std::make_unique<ymodem::QtSerialBackend>());
    ymodem::DiskBurnFileSource files;
    ymodem::QtForm1Window window(comm, files);
    ymodem::Form1& form = window.Form();
    std::printf("built %lld\n", MonotonicNs());
    form.Form_Load();
    std::printf("loaded %lld\n", MonotonicNs());
    if (!ShowAndReport(window)) return 1;

    const int entry = window.ComboComm->findText(kPortName);
    if (entry < 0) {
        std::fprintf(stderr, "bench_window: the scan did not list %s\n", kPortName);
        return 1;
    }
    form.ComboComm.SetListIndex(entry);
    form.CmdOpenAndClosePort_Click();
    if (!comm.PortOpen()) {
        std::fprintf(stderr, "bench_window: the port did not open\n");
        return 1;
    }
    std::printf("open %s\n", line.Peer().c_str());
    std::fflush(stdout);
    return QApplication::exec();
}
