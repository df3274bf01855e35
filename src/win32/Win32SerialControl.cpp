#include "Win32SerialControl.h"

#include <algorithm>
#include <array>

#include "ComPortNaming.h"
#include "CommError.h"
#include "SerialArgumentChecks.h"
#include "WideText_win.h"
#include "Win32OpenErrorNumber.h"

namespace ymodem {

namespace {

constexpr DWORD kInBufferSize = 1024;
constexpr DWORD kOutBufferSize = 4096;
constexpr DWORD kReadChunk = 4096;

BYTE ToDcb(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::kEven:
            return EVENPARITY;
        case LineSettings::Parity::kOdd:
            return ODDPARITY;
        case LineSettings::Parity::kMark:
            return MARKPARITY;
        case LineSettings::Parity::kSpace:
            return SPACEPARITY;
        case LineSettings::Parity::kNone:
            break;
    }
    return NOPARITY;
}

BYTE ToDcb(LineSettings::StopBits stopBits) {
    switch (stopBits) {
        case LineSettings::StopBits::kOneAndHalf:
            return ONE5STOPBITS;
        case LineSettings::StopBits::kTwo:
            return TWOSTOPBITS;
        case LineSettings::StopBits::kOne:
            break;
    }
    return ONESTOPBIT;
}

std::string SystemErrorText(DWORD error) {
    return "system error " + std::to_string(error);
}

}  // namespace

struct Win32SerialControl::PendingWrite {
    OVERLAPPED Overlapped{};
    std::vector<std::uint8_t> Bytes;

    explicit PendingWrite(std::span<const std::uint8_t> frame) : Bytes(frame.begin(), frame.end()) {
        Overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~PendingWrite() { CloseHandle(Overlapped.hEvent); }
    PendingWrite(const PendingWrite&) = delete;
    PendingWrite& operator=(const PendingWrite&) = delete;
};

Win32SerialControl::Win32SerialControl(Win32EventLoop& loop)
    : Win32SerialControl(loop, std::make_unique<ComPortNaming>()) {}

Win32SerialControl::Win32SerialControl(Win32EventLoop& loop, std::unique_ptr<PortNaming> naming)
    : loop_(loop),
      naming_(std::move(naming)),
      name_(naming_->DefaultName()),
      received_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      lost_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    // The bytes first: a device's last word comes before the news that it went away.
    loop_.Watch(received_, [this] { OnReceived(); });
    loop_.Watch(lost_, [this] { OnLoss(); });
}

Win32SerialControl::~Win32SerialControl() {
    Close();
    loop_.Unwatch(received_);
    loop_.Unwatch(lost_);
    for (const HANDLE event : {received_, lost_, stop_}) CloseHandle(event);
}

std::vector<std::string> Win32SerialControl::PortCandidates() const {
    return naming_->Candidates();
}

void Win32SerialControl::SetCommPort(const std::string& listText) {
    RequirePortClosed(PortOpen());
    name_ = naming_->NameFromListText(listText);
}

std::string Win32SerialControl::CommPortName() const {
    return name_;
}

void Win32SerialControl::SetSettings(const std::string& settings) {
    const LineSettings parsed = SettingsFromText(settings);
    if (!Apply(parsed)) {
        const DWORD error = GetLastError();
        Apply(settings_);
        throw CommError(CommError::kHardwareUnavailable, SystemErrorText(error));
    }
    settings_ = parsed;
}

std::string Win32SerialControl::Settings() const {
    return settings_.Text();
}

void Win32SerialControl::SetPortOpen(bool open) {
    if (open) {
        Open();
    } else {
        Close();
    }
}

bool Win32SerialControl::PortOpen() const {
    return port_ != INVALID_HANDLE_VALUE;
}

// The driver's buffers are fixed when the port opens (SetupComm); the sizes are checked for
// the old control's sake.
void Win32SerialControl::SetInBufferSize(int size) {
    RequireNotNegative(size);
}

void Win32SerialControl::SetOutBufferSize(int size) {
    RequireNotNegative(size);
}

void Win32SerialControl::SetInBufferCount(int count) {
    RequireZeroCount(count);
    if (!PortOpen()) return;
    PurgeComm(port_, PURGE_RXCLEAR);
    const std::lock_guard lock(mutex_);
    input_.clear();
    ++purges_;
}

void Win32SerialControl::SetOutBufferCount(int count) {
    RequireZeroCount(count);
    if (!PortOpen()) return;
    PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR);
    DropPendingWrites();
}

void Win32SerialControl::SetSThreshold(int threshold) {
    RequireNotNegative(threshold);
}

void Win32SerialControl::SetRThreshold(int threshold) {
    RequireNotNegative(threshold);
    rThreshold_ = threshold;
}

void Win32SerialControl::SetInputLen(int length) {
    RequireNotNegative(length);
    inputLen_ = length;
}

void Win32SerialControl::SetInputMode(int mode) {
    RequireInputMode(mode);
}

void Win32SerialControl::Output(std::span<const std::uint8_t> frame) {
    if (!PortOpen() || frame.empty()) return;
    ReapWrites();
    auto write = std::make_unique<PendingWrite>(frame);
    if (!WriteFile(port_, write->Bytes.data(), static_cast<DWORD>(write->Bytes.size()), nullptr,
                   &write->Overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            ReportLoss();
            return;
        }
    }
    writes_.push_back(std::move(write));
}

std::vector<std::uint8_t> Win32SerialControl::Input() {
    const std::lock_guard lock(mutex_);
    std::size_t count = input_.size();
    if (inputLen_ > 0) count = std::min<std::size_t>(count, inputLen_);
    std::vector<std::uint8_t> taken(input_.begin(), input_.begin() + count);
    input_.erase(input_.begin(), input_.begin() + count);
    return taken;
}

bool Win32SerialControl::WaitForOutput(int timeoutMs) {
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
    while (!writes_.empty()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= until) break;
        const DWORD left = static_cast<DWORD>(until - now);
        if (WaitForSingleObject(writes_.front()->Overlapped.hEvent, left) != WAIT_OBJECT_0) break;
        ReapWrites();
    }
    return writes_.empty();
}

// The bytes of the writes the system has not finished yet.
std::size_t Win32SerialControl::OutBufferCount() const {
    std::size_t waiting = 0;
    for (const auto& write : writes_) {
        if (WaitForSingleObject(write->Overlapped.hEvent, 0) != WAIT_OBJECT_0) {
            waiting += write->Bytes.size();
        }
    }
    return waiting;
}

int Win32SerialControl::CommEvent() const {
    return commEvent_;
}

void Win32SerialControl::Open() {
    RequirePortClosed(PortOpen());
    const std::string device = naming_->DeviceFor(name_);
    const std::wstring path = L"\\\\.\\" + WideFromBytes(device, CP_UTF8);
    const HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw CommError(Win32OpenErrorNumber(error), device + ": " + SystemErrorText(error));
    }
    port_ = port;
    // A read returns once the line has been quiet for 1 ms after a byte; writes never time out.
    COMMTIMEOUTS timeouts{1, 0, 0, 0, 0};
    const bool ready = SetupComm(port_, kInBufferSize, kOutBufferSize) &&
                       SetCommTimeouts(port_, &timeouts) && Apply(settings_);
    if (!ready) {
        const DWORD error = GetLastError();
        Close();
        throw CommError(CommError::kHardwareUnavailable, device + ": " + SystemErrorText(error));
    }
    PurgeComm(port_, PURGE_RXCLEAR | PURGE_TXCLEAR);
    StartReader();
}

void Win32SerialControl::Close() {
    if (!PortOpen()) return;
    StopReader();
    DropPendingWrites();
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    const std::lock_guard lock(mutex_);
    input_.clear();
    ResetEvent(received_);
    ResetEvent(lost_);
}

// While closed the settings are only recorded; they go to the port when it opens. No flow
// control: the line's handshake lines stay raised and are never waited for.
bool Win32SerialControl::Apply(const LineSettings& settings) {
    if (!PortOpen()) return true;
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(port_, &dcb)) return false;
    dcb.BaudRate = static_cast<DWORD>(settings.BaudRate());
    dcb.ByteSize = static_cast<BYTE>(settings.DataBits());
    dcb.Parity = ToDcb(settings.ParityMode());
    dcb.StopBits = ToDcb(settings.Stop());
    dcb.fBinary = TRUE;
    dcb.fParity = settings.ParityMode() != LineSettings::Parity::kNone;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(port_, &dcb) != 0;
}

void Win32SerialControl::StartReader() {
    ResetEvent(stop_);
    reader_ = std::thread([this] { ReadUntilStopped(); });
}

// A blocking read could not be stopped under wine, nor would it return once the other side
// has closed: the read is overlapped and cancelled.
void Win32SerialControl::StopReader() {
    if (!reader_.joinable()) return;
    SetEvent(stop_);
    reader_.join();
}

void Win32SerialControl::ReadUntilStopped() {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::array<std::uint8_t, kReadChunk> chunk{};
    while (WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
        ResetEvent(overlapped.hEvent);
        const unsigned purgesBefore = Purges();
        DWORD got = 0;
        BOOL done = ReadFile(port_, chunk.data(), kReadChunk, &got, &overlapped);
        if (!done && GetLastError() == ERROR_IO_PENDING) {
            const HANDLE waits[] = {overlapped.hEvent, stop_};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIoEx(port_, &overlapped);
                GetOverlappedResult(port_, &overlapped, &got, TRUE);
                break;
            }
            done = GetOverlappedResult(port_, &overlapped, &got, FALSE);
        }
        if (!done) {
            // A device pulled out fails the read (5, 22, 31, 995, 1167, 1617 on Windows; 109
            // or 21 under wine when the other side of a pty closes).
            ReportLoss();
            break;
        }
        if (got == 0) {
            // Nothing within the timeouts; a driver that keeps saying so must not make us spin.
            WaitForSingleObject(stop_, 1);
            continue;
        }
        const std::lock_guard lock(mutex_);
        // Input discarded while this read was under way may be in the chunk: it goes too.
        if (purges_ != purgesBefore) continue;
        input_.insert(input_.end(), chunk.begin(), chunk.begin() + got);
        SetEvent(received_);
    }
    CloseHandle(overlapped.hEvent);
}

// From any thread; the loss is handled on the event loop's thread.
void Win32SerialControl::ReportLoss() {
    SetEvent(lost_);
}

void Win32SerialControl::OnReceived() {
    if (!PortOpen() || rThreshold_ <= 0 || Waiting() < static_cast<std::size_t>(rThreshold_)) {
        return;
    }
    commEvent_ = kEventReceive;
    RaiseOnComm();
}

// What the device sent before it went away is its last word (a final ACK, say): it is
// handed on before the port closes and takes it along. Reported once: the port is closed.
void Win32SerialControl::OnLoss() {
    if (!PortOpen()) return;
    if (rThreshold_ > 0 && Waiting() > 0) {
        commEvent_ = kEventReceive;
        RaiseOnComm();
    }
    if (!PortOpen()) return;
    Close();
    RaisePortLost();
}

void Win32SerialControl::ReapWrites() {
    while (!writes_.empty()) {
        PendingWrite& write = *writes_.front();
        if (WaitForSingleObject(write.Overlapped.hEvent, 0) != WAIT_OBJECT_0) return;
        DWORD written = 0;
        if (!GetOverlappedResult(port_, &write.Overlapped, &written, FALSE)) {
            const DWORD error = GetLastError();
            if (error != ERROR_OPERATION_ABORTED) ReportLoss();
        }
        writes_.pop_front();
    }
}

// A write's buffer must outlive the system's work on it: each is cancelled, and given up only
// once the system says it has ended.
void Win32SerialControl::DropPendingWrites() {
    for (const auto& write : writes_) {
        CancelIoEx(port_, &write->Overlapped);
        DWORD written = 0;
        GetOverlappedResult(port_, &write->Overlapped, &written, TRUE);
    }
    writes_.clear();
}

unsigned Win32SerialControl::Purges() {
    const std::lock_guard lock(mutex_);
    return purges_;
}

std::size_t Win32SerialControl::Waiting() {
    const std::lock_guard lock(mutex_);
    return input_.size();
}

}  // namespace ymodem
