#include "SerialControl.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "CommError.h"
#include "SerialArgumentChecks.h"

namespace ymodem {

SerialControl::SerialControl(std::unique_ptr<PortNaming> naming,
                             std::unique_ptr<SerialBackend> backend)
    : naming_(std::move(naming)), backend_(std::move(backend)), name_(naming_->DefaultName()) {
    backend_->SetSink(this);
}

SerialControl::~SerialControl() {
    // The backend may still report while it closes; nobody is there to hear it.
    backend_->SetSink(nullptr);
    backend_->Close();
}

std::vector<std::string> SerialControl::PortCandidates() const {
    return naming_->Candidates();
}

void SerialControl::SetCommPort(const std::string& listText) {
    RequirePortClosed(PortOpen());
    name_ = naming_->NameFromListText(listText);
}

void SerialControl::SetSettings(const std::string& settings) {
    const LineSettings parsed = SettingsFromText(settings);
    if (PortOpen()) SetLine(parsed);
    settings_ = parsed;
}

// A refused line leaves the device as it was, as far as it lets us.
void SerialControl::SetLine(const LineSettings& settings) {
    try {
        backend_->Apply(settings);
    } catch (const CommError&) {
        try {
            backend_->Apply(settings_);
        } catch (const CommError&) {
            // The first refusal is the one to report.
        }
        throw;
    }
}

void SerialControl::SetPortOpen(bool open) {
    if (open) {
        Open();
    } else {
        Close();
    }
}

bool SerialControl::PortOpen() const {
    return backend_->IsOpen();
}

void SerialControl::SetInBufferSize(int size) {
    RequireNotNegative(size);
    inBufferSize_ = size;
}

void SerialControl::SetOutBufferSize(int size) {
    RequireNotNegative(size);
    outBufferSize_ = size;
}

void SerialControl::SetInBufferCount(int count) {
    RequireZeroCount(count);
    if (PortOpen()) backend_->DiscardInput();
    DropInput();
}

void SerialControl::SetOutBufferCount(int count) {
    RequireZeroCount(count);
    if (PortOpen()) backend_->DiscardOutput();
}

std::size_t SerialControl::OutBufferCount() const {
    return PortOpen() ? backend_->Unsent() : 0;
}

void SerialControl::SetSThreshold(int threshold) {
    RequireNotNegative(threshold);
    sThreshold_ = threshold;
}

void SerialControl::SetRThreshold(int threshold) {
    RequireNotNegative(threshold);
    rThreshold_ = threshold;
}

void SerialControl::SetInputLen(int length) {
    RequireNotNegative(length);
    inputLen_ = length;
}

void SerialControl::SetInputMode(int mode) {
    RequireInputMode(mode);
    inputMode_ = mode;
}

void SerialControl::Output(std::span<const std::uint8_t> frame) {
    if (!PortOpen() || frame.empty()) return;
    backend_->Write(frame);
}

std::vector<std::uint8_t> SerialControl::Input() {
    std::size_t count = input_.size();
    if (inputLen_ > 0) count = std::min<std::size_t>(count, inputLen_);
    const auto end = input_.begin() + static_cast<std::ptrdiff_t>(count);
    std::vector<std::uint8_t> taken(input_.begin(), end);
    input_.erase(input_.begin(), end);
    inputArrived_ = TakeArrivals(count);
    return taken;
}

// The arrival of the newest byte among the count oldest waiting ones, which leave.
std::optional<ArrivalTime> SerialControl::TakeArrivals(std::size_t count) {
    std::optional<ArrivalTime> newest;
    while (count > 0 && !arrivals_.empty()) {
        Arrival& oldest = arrivals_.front();
        const std::size_t taken = std::min(count, oldest.count);
        newest = oldest.time;
        count -= taken;
        oldest.count -= taken;
        if (oldest.count == 0) arrivals_.pop_front();
    }
    if (newest == kArrivalUnknown) return std::nullopt;
    return newest;
}

bool SerialControl::WaitForOutput(int timeoutMs) {
    if (!PortOpen()) return true;
    return backend_->WaitForOutput(std::chrono::milliseconds(std::max(timeoutMs, 0)));
}

void SerialControl::Open() {
    RequirePortClosed(PortOpen());
    const std::string device = naming_->DeviceFor(name_);
    DropInput();
    backend_->Open(device, settings_);
}

void SerialControl::Close() {
    if (!PortOpen()) return;
    backend_->Close();
    DropInput();
}

void SerialControl::DropInput() {
    input_.clear();
    arrivals_.clear();
}

void SerialControl::RaiseReceiveEvent() {
    commEvent_ = kEventReceive;
    if (listener_ != nullptr) listener_->OnComm();
}

void SerialControl::OnReceived(std::span<const std::uint8_t> bytes, ArrivalTime arrived) {
    if (!PortOpen() || bytes.empty()) return;
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    arrivals_.push_back({bytes.size(), arrived});
    if (rThreshold_ > 0 && std::cmp_greater_equal(input_.size(), rThreshold_)) {
        RaiseReceiveEvent();
    }
}

// What the device sent before it went away is its last word (a final ACK, say): it is handed
// on before the port closes and takes it along.
void SerialControl::OnLost() {
    if (!PortOpen()) return;
    if (rThreshold_ > 0 && !input_.empty()) RaiseReceiveEvent();
    // The listener may have closed the port itself on those bytes; then nothing was lost.
    if (!PortOpen()) return;
    Close();
    if (listener_ != nullptr) listener_->OnPortLost();
}

}  // namespace ymodem
