#include "Win32SerialBackend.h"

#include <algorithm>

#include "CommError.h"
#include "WideText_win.h"
#include "Win32OpenErrorNumber.h"

namespace ymodem {

namespace {

constexpr DWORD kInBufferSize = 1024;
constexpr DWORD kOutBufferSize = 4096;
constexpr DWORD kReadChunk = 4096;
// A driver that keeps completing reads with nothing in them must not make the loop spin.
constexpr std::chrono::milliseconds kEmptyReadPause{1};
// How long one cancel is given to end an I/O, and how often it is asked.
constexpr std::chrono::milliseconds kCancelWait{50};
constexpr int kCancelAttempts = 20;

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

// One overlapped read or write. Its event lets the loop's thread wait for this I/O alone
// (a discard, a close, WaitForOutput); the completion port is told of its end all the same.
struct Win32SerialBackend::Request {
    enum class Kind { kRead, kWrite };

    OVERLAPPED Overlapped{};
    HANDLE Ended;
    Kind Use = Kind::kRead;
    std::vector<std::uint8_t> Bytes;
    bool InFlight = false;  // the completion port has not handed it back yet
    bool Dropped = false;   // ended by us: its bytes go, and its failure is no loss

    explicit Request(HANDLE ended) : Ended(ended) { Overlapped.hEvent = Ended; }
    ~Request() { CloseHandle(Ended); }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    bool HasEnded() const { return HasOverlappedIoCompleted(&Overlapped); }
    bool Counts() const { return InFlight && !Dropped; }
};

Win32SerialBackend::Win32SerialBackend(Win32EventLoop& loop)
    : loop_(loop), retry_(loop.Timers().MakeTimer()) {
    retry_->SetHandler([this] { OnRetry(); });
}

Win32SerialBackend::~Win32SerialBackend() {
    Close();
}

void Win32SerialBackend::Open(const std::string& device, const LineSettings& settings) {
    if (IsOpen()) throw CommError(CommError::kPortAlreadyOpen);
    const std::wstring path = L"\\\\.\\" + WideFromBytes(device, CP_UTF8);
    const HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw CommError(Win32OpenErrorNumber(error), device + ": " + SystemErrorText(error));
    }
    port_ = port;
    try {
        SetUp(device, settings);
    } catch (...) {
        Close();
        throw;
    }
}

// A port that cannot be read is not left open: the caller hears why.
void Win32SerialBackend::SetUp(const std::string& device, const LineSettings& settings) {
    // No timeouts: a read ends once it has all it asked for, and a write once all is sent.
    COMMTIMEOUTS timeouts{0, 0, 0, 0, 0};
    if (!SetupComm(port_, kInBufferSize, kOutBufferSize) || !SetCommTimeouts(port_, &timeouts) ||
        !SetLine(settings)) {
        throw CommError(CommError::kHardwareUnavailable,
                        device + ": " + SystemErrorText(GetLastError()));
    }
    PurgeComm(port_, PURGE_RXCLEAR | PURGE_TXCLEAR);
    try {
        key_ = loop_.Associate(port_, [this](const auto& completion) { OnCompletion(completion); });
    } catch (const std::runtime_error& error) {
        throw CommError(CommError::kHardwareUnavailable, device + ": " + error.what());
    }
    if (const DWORD error = StartRead()) {
        throw CommError(CommError::kHardwareUnavailable,
                        device + ": cannot start reading: " + SystemErrorText(error));
    }
}

// Every I/O still under way is cancelled and waited for, so that no buffer goes while the
// system may still use it; their completions still to come are dropped by the loop. One the
// system would not end even with its handle closed is left to it, memory and event.
void Win32SerialBackend::Close() {
    if (!IsOpen()) return;
    retry_->Stop();
    bool allEnded = true;
    for (const auto& request : requests_) {
        if (request->InFlight) allEnded = CancelAndAwait(*request) && allEnded;
    }
    if (key_ != 0) loop_.Dissociate(key_);
    key_ = 0;
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    for (auto& request : requests_) {
        if (!allEnded && request->InFlight && !request->HasEnded() &&
            WaitForSingleObject(request->Ended, kCancelWait.count()) != WAIT_OBJECT_0) {
            static_cast<void>(request.release());
        }
    }
    requests_.clear();
    read_ = nullptr;
    lossSeen_ = false;
    lossReported_ = false;
}

void Win32SerialBackend::Apply(const LineSettings& settings) {
    if (!IsOpen()) return;
    if (!SetLine(settings)) {
        throw CommError(CommError::kHardwareUnavailable, SystemErrorText(GetLastError()));
    }
}

// No flow control: the line's handshake lines stay raised and are never waited for.
bool Win32SerialBackend::SetLine(const LineSettings& settings) {
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

// A request whose completion has come back, or a new one; none when the system gives no
// event for it.
Win32SerialBackend::Request* Win32SerialBackend::FreeRequest() {
    for (const auto& request : requests_) {
        if (!request->InFlight) {
            request->Dropped = false;
            return request.get();
        }
    }
    const HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ended == nullptr) return nullptr;
    requests_.push_back(std::make_unique<Request>(ended));
    return requests_.back().get();
}

// Gives the system error with which the read could not start, 0 when it is under way.
DWORD Win32SerialBackend::StartRead() {
    Request* read = FreeRequest();
    if (read == nullptr) return GetLastError();
    read->Use = Request::Kind::kRead;
    const DWORD size = ReadSize();
    read->Bytes.resize(size);
    // Even a read that ends at once is handed back through the completion port.
    if (!ReadFile(port_, read->Bytes.data(), size, nullptr, &read->Overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) return error;
    }
    read->InFlight = true;
    read_ = read;
    return 0;
}

// What the driver holds already, taken at once; with nothing there, the next byte, handed on
// the moment it comes. A read for more would wait for the rest, and an interval timeout
// ends a read no sooner than the interval after its last byte (under wine 0.3 to 1.5 ms
// later still, the granularity of its server's timeouts).
DWORD Win32SerialBackend::ReadSize() const {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port_, &errors, &status)) return 1;
    return std::clamp<DWORD>(status.cbInQue, 1, kReadChunk);
}

void Win32SerialBackend::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen() || bytes.empty() || lossSeen_) return;
    Request* write = FreeRequest();
    if (write == nullptr) {
        NoteLoss();
        return;
    }
    write->Use = Request::Kind::kWrite;
    // The buffer is the request's own: it stays until the system has ended the write.
    write->Bytes.assign(bytes.begin(), bytes.end());
    if (!WriteFile(port_, write->Bytes.data(), static_cast<DWORD>(write->Bytes.size()), nullptr,
                   &write->Overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        NoteLoss();
        return;
    }
    write->InFlight = true;
}

// The pending read may hold bytes that came before this call: it is cancelled and waited
// for, and its bytes go with the system's. Bytes that come after wait in the driver for the
// new read, where the old way (a read always pending, its chunk dropped on a count of
// discards) could drop them.
void Win32SerialBackend::DiscardInput() {
    if (!IsOpen()) return;
    if (read_ != nullptr) {
        read_->Dropped = true;
        CancelAndAwait(*read_);
        read_ = nullptr;
    }
    PurgeComm(port_, PURGE_RXCLEAR);
    if (!lossSeen_) ReadOnOrLose();
}

void Win32SerialBackend::DiscardOutput() {
    if (!IsOpen()) return;
    PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR);
    // What follows must not overtake the tail of a cancelled write. One the system would not
    // cancel still goes before it, whole.
    for (Request* write : WritesInFlight()) {
        write->Dropped = true;
        CancelAndAwait(*write);
    }
}

// Wine has been seen to miss the cancel of a write that a pty was taking in, leaving the
// write pending for as long as nobody reads: the cancel is asked again, for a while.
bool Win32SerialBackend::CancelAndAwait(Request& request) {
    for (int attempt = 0; attempt < kCancelAttempts; ++attempt) {
        CancelIoEx(port_, &request.Overlapped);
        if (WaitForSingleObject(request.Ended, kCancelWait.count()) == WAIT_OBJECT_0) return true;
    }
    return false;
}

std::size_t Win32SerialBackend::Unsent() const {
    std::size_t unsent = 0;
    for (const Request* write : WritesInFlight()) {
        if (!write->HasEnded()) unsent += write->Bytes.size();
    }
    return unsent;
}

bool Win32SerialBackend::WaitForOutput(std::chrono::milliseconds timeout) {
    const ULONGLONG until =
        GetTickCount64() + static_cast<ULONGLONG>(std::max<long long>(timeout.count(), 0));
    for (const Request* write : WritesInFlight()) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < until ? static_cast<DWORD>(until - now) : 0;
        if (WaitForSingleObject(write->Ended, left) != WAIT_OBJECT_0) return false;
    }
    return true;
}

std::vector<Win32SerialBackend::Request*> Win32SerialBackend::WritesInFlight() const {
    std::vector<Request*> writes;
    for (const auto& request : requests_) {
        if (request->Use == Request::Kind::kWrite && request->Counts()) {
            writes.push_back(request.get());
        }
    }
    return writes;
}

// A completion of a request this open no longer knows (one dropped and settled before a
// close) cannot come: the loop drops those of a closed port by their key.
void Win32SerialBackend::OnCompletion(const Win32EventLoop::Completion& completion) {
    const auto found = std::find_if(requests_.begin(), requests_.end(), [&](const auto& request) {
        return &request->Overlapped == completion.Overlapped;
    });
    if (found == requests_.end()) return;
    Request& request = **found;
    request.InFlight = false;
    if (request.Use == Request::Kind::kWrite) {
        WriteCompleted(request);
    } else if (&request == read_) {
        read_ = nullptr;
        ReadCompleted(request, completion.Bytes, completion.At);
    }
}

// A device pulled out fails the read (5, 22, 31, 995, 1167, 1617 on Windows; 109 or 21
// under wine when the other side of a pty closes). The bytes come first: a device's last
// word comes before the news that it went away.
void Win32SerialBackend::ReadCompleted(Request& read, DWORD bytes, ArrivalTime at) {
    DWORD got = 0;
    const bool succeeded = GetOverlappedResult(port_, &read.Overlapped, &got, FALSE) != 0;
    if (!succeeded && !lossSeen_) NoteLoss();
    if (succeeded && bytes > 0) {
        ReportReceived(std::span(read.Bytes.data(), bytes), at);
        // The sink may have closed the port, or discarded the input and read anew.
        if (!IsOpen() || read_ != nullptr) return;
    }
    if (lossSeen_) {
        ReportLossOnce();
    } else if (bytes == 0) {
        retry_->Start(kEmptyReadPause);
    } else {
        ReadOnOrLose();
    }
}

void Win32SerialBackend::WriteCompleted(Request& write) {
    if (write.Dropped || lossSeen_) return;
    DWORD written = 0;
    if (!GetOverlappedResult(port_, &write.Overlapped, &written, FALSE)) NoteLoss();
}

void Win32SerialBackend::ReadOnOrLose() {
    if (StartRead() != 0) NoteLoss();
}

// The loss is reported from the loop, once the pending read has handed on what it holds:
// it is cancelled so that it ends soon. Called inside one of our operations, the report
// waits for the retry timer.
void Win32SerialBackend::NoteLoss() {
    lossSeen_ = true;
    if (read_ != nullptr) {
        CancelIoEx(port_, &read_->Overlapped);
    } else {
        retry_->Start(std::chrono::milliseconds(0));
    }
}

void Win32SerialBackend::OnRetry() {
    if (!IsOpen() || read_ != nullptr) return;
    if (lossSeen_) {
        ReportLossOnce();
    } else {
        ReadOnOrLose();
    }
}

void Win32SerialBackend::ReportLossOnce() {
    if (lossReported_) return;
    lossReported_ = true;
    ReportLost();
}

}  // namespace ymodem
