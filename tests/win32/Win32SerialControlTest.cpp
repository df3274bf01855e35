// The serial control over the comm API passes the same contract as the fake and the Qt
// control. Under wine its line is a pair of linked pseudo-terminals mapped as two COM ports
// (com_relay.py): the control opens one, the test plays the device on the other, and a
// file asks the relay to hang both up. Without that set-up the suite is skipped.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "ComPortNaming.h"
#include "PortContract.h"
#include "WideText_win.h"
#include "Win32PortFactory.h"
#include "Win32SerialBackend.h"

namespace ymodem {
namespace {

using contract::Bytes;

std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The device's end of the line: a COM port opened with the plain comm API.
class DeviceEnd {
public:
    explicit DeviceEnd(const std::string& port) {
        const std::wstring path = L"\\\\.\\" + WideFromBytes(port, CP_UTF8);
        handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        GetCommState(handle_, &dcb);
        dcb.BaudRate = 115200;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        SetCommState(handle_, &dcb);
        COMMTIMEOUTS timeouts{1, 0, 0, 0, 0};
        SetCommTimeouts(handle_, &timeouts);
        overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~DeviceEnd() {
        CloseHandle(handle_);
        CloseHandle(overlapped_.hEvent);
    }
    DeviceEnd(const DeviceEnd&) = delete;
    DeviceEnd& operator=(const DeviceEnd&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    void Write(const Bytes& bytes) {
        ResetEvent(overlapped_.hEvent);
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr,
                       &overlapped_)) {
            GetOverlappedResult(handle_, &overlapped_, &written, TRUE);
        }
    }

    Bytes ReadUntil(const std::function<bool(const Bytes&)>& enough, DWORD timeoutMs = 10000) {
        Bytes received;
        const ULONGLONG until = GetTickCount64() + timeoutMs;
        std::vector<std::uint8_t> chunk(65536);
        while (!enough(received) && GetTickCount64() < until) {
            ResetEvent(overlapped_.hEvent);
            DWORD got = 0;
            if (!ReadFile(handle_, chunk.data(), static_cast<DWORD>(chunk.size()), &got,
                          &overlapped_)) {
                if (GetLastError() != ERROR_IO_PENDING) break;
                if (WaitForSingleObject(overlapped_.hEvent, 100) != WAIT_OBJECT_0) {
                    CancelIoEx(handle_, &overlapped_);
                }
                if (!GetOverlappedResult(handle_, &overlapped_, &got, TRUE)) got = 0;
            }
            received.insert(received.end(), chunk.begin(), chunk.begin() + got);
        }
        return received;
    }

private:
    HANDLE handle_;
    OVERLAPPED overlapped_{};
};

// The relay removes the request once the new pair of ports is in place.
void AwaitRelay(const std::filesystem::path& request) {
    for (int i = 0; i < 500 && std::filesystem::exists(request); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Over both of the loop's waits: the window program's, and the console program's on the
// completion port alone.
template <Win32EventLoop::Waits kWaits>
struct ComLine {
    // Writes go to the system at once; whether a purge still finds some waiting depends on
    // how fast the other side reads.
    static constexpr std::optional<bool> kHoldsUnsentOutput = std::nullopt;

    bool Available() const { return !PortName().empty() && device.IsOpen(); }
    SerialControl& Control() { return control; }
    std::string PortName() const { return Setting("YMODEM_TEST_COM"); }
    void DeviceSends(const Bytes& bytes) { device.Write(bytes); }
    Bytes DeviceReceives(const std::function<bool(const Bytes&)>& enough) {
        return device.ReadUntil(enough);
    }
    void DeviceGoesAway() {
        if (std::FILE* request = _wfopen(hangup.c_str(), L"w")) std::fclose(request);
    }
    bool WaitFor(const std::function<bool()>& done) { return loop.RunUntil(done, 3000); }

    std::filesystem::path hangup = WideFromBytes(Setting("YMODEM_TEST_HANGUP"), CP_UTF8);
    bool relayReady = (AwaitRelay(hangup), true);
    Win32EventLoop loop{kWaits};
    SerialControl control{std::make_unique<ComPortNaming>(),
                          std::make_unique<Win32SerialBackend>(loop)};
    DeviceEnd device{Setting("YMODEM_TEST_DEVICE_COM")};
};

// A waiting port is looked for without an open: a port the system does not have must read
// as absent, or the wait would open it five times a second; one it has, as maybe there.
TEST(Win32PortFactory, TellsAnAbsentPortWithoutOpeningIt) {
    Win32EventLoop loop;
    const Win32PortFactory ports(loop);
    const struct {
        std::string Port;
        bool MayBePresent;
    } rows[] = {{"COM250", false}, {"not a port", true}, {Setting("YMODEM_TEST_COM"), true}};
    for (const auto& row : rows) {
        if (row.Port.empty()) continue;  // no COM port mapped for this run
        EXPECT_EQ(ports.PortMayBePresent(row.Port), row.MayBePresent) << row.Port;
    }
}

}  // namespace

namespace contract {
using ComLines = ::testing::Types<ComLine<Win32EventLoop::Waits::kMessagesToo>,
                                  ComLine<Win32EventLoop::Waits::kCompletionsOnly>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, PortContract, ComLines);
}  // namespace contract
}  // namespace ymodem
