#include "FakeSerialBackend.h"

#include "CommError.h"

namespace ymodem {

void FakeSerialBackend::DeviceSends(std::span<const std::uint8_t> bytes, ArrivalTime arrived) {
    if (open_) ReportReceived(bytes, arrived);
}

void FakeSerialBackend::DeviceGoesAway() {
    if (open_) ReportLost();
}

int FakeSerialBackend::OpenAttempts(const std::string& device) const {
    const auto attempts = openAttempts_.find(device);
    return attempts == openAttempts_.end() ? 0 : attempts->second;
}

void FakeSerialBackend::Open(const std::string& device, const LineSettings&) {
    ++openAttempts_[device];
    if (const auto failure = openFailures_.find(device); failure != openFailures_.end()) {
        throw CommError(failure->second, device);
    }
    open_ = true;
}

void FakeSerialBackend::Write(std::span<const std::uint8_t> bytes) {
    frames_.emplace_back(bytes.begin(), bytes.end());
}

}  // namespace ymodem
