#include "FakeSerialControl.h"

#include <algorithm>
#include <iterator>

#include "CommError.h"
#include "SerialArgumentChecks.h"

namespace ymodem {

namespace {

std::string ByteCount(const char* operation, std::size_t count) {
    return std::string(operation) + ":<" + std::to_string(count) + " bytes>";
}

}  // namespace

void FakeSerialControl::SetCandidates(const std::vector<std::string>& names) {
    candidates_ = names;
}

void FakeSerialControl::FailOpen(const std::string& name, int number) {
    openFailures_[name] = number;
}

void FakeSerialControl::InjectInput(std::span<const std::uint8_t> bytes) {
    if (!open_) return;
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    if (rThreshold_ <= 0 || std::ssize(input_) < rThreshold_) return;
    commEvent_ = kEventReceive;
    RaiseOnComm();
}

void FakeSerialControl::LosePort() {
    if (!open_) return;
    open_ = false;
    input_.clear();
    RaisePortLost();
}

void FakeSerialControl::ClearRecord() {
    operations_.clear();
    frames_.clear();
}

std::vector<std::string> FakeSerialControl::PortCandidates() const {
    return candidates_;
}

void FakeSerialControl::SetCommPort(const std::string& listText) {
    Record("CommPort=" + listText);
    RequirePortClosed(open_);
    if (listText.empty()) throw CommError(CommError::kInvalidPropertyValue);
    name_ = listText;
}

std::string FakeSerialControl::CommPortName() const {
    return name_;
}

void FakeSerialControl::SetSettings(const std::string& settings) {
    Record("Settings=" + settings);
    settings_ = SettingsFromText(settings);
}

std::string FakeSerialControl::Settings() const {
    return settings_.Text();
}

void FakeSerialControl::SetPortOpen(bool open) {
    Record(open ? "PortOpen=true" : "PortOpen=false");
    if (!open) {
        open_ = false;
        input_.clear();
        return;
    }
    RequirePortClosed(open_);
    if (const auto failure = openFailures_.find(name_); failure != openFailures_.end()) {
        throw CommError(failure->second, name_);
    }
    open_ = true;
}

bool FakeSerialControl::PortOpen() const {
    return open_;
}

void FakeSerialControl::SetInBufferSize(int size) {
    RecordValue("InBufferSize", size);
    RequireNotNegative(size);
}

void FakeSerialControl::SetOutBufferSize(int size) {
    RecordValue("OutBufferSize", size);
    RequireNotNegative(size);
}

void FakeSerialControl::SetInBufferCount(int count) {
    RecordValue("InBufferCount", count);
    RequireZeroCount(count);
    input_.clear();
}

// Output reaches the device at once, so there is never anything left to discard:
// Frames() keeps every frame, as the real line does once it has drained.
void FakeSerialControl::SetOutBufferCount(int count) {
    RecordValue("OutBufferCount", count);
    RequireZeroCount(count);
}

void FakeSerialControl::SetSThreshold(int threshold) {
    RecordValue("SThreshold", threshold);
    RequireNotNegative(threshold);
}

void FakeSerialControl::SetRThreshold(int threshold) {
    RecordValue("RThreshold", threshold);
    RequireNotNegative(threshold);
    rThreshold_ = threshold;
}

void FakeSerialControl::SetInputLen(int length) {
    RecordValue("InputLen", length);
    RequireNotNegative(length);
    inputLen_ = length;
}

void FakeSerialControl::SetInputMode(int mode) {
    RecordValue("InputMode", mode);
    RequireInputMode(mode);
}

void FakeSerialControl::Output(std::span<const std::uint8_t> frame) {
    Record(ByteCount("Output", frame.size()));
    if (open_) frames_.emplace_back(frame.begin(), frame.end());
}

std::vector<std::uint8_t> FakeSerialControl::Input() {
    std::size_t count = input_.size();
    if (inputLen_ > 0) count = std::min<std::size_t>(count, inputLen_);
    std::vector<std::uint8_t> taken(input_.begin(), input_.begin() + count);
    input_.erase(input_.begin(), input_.begin() + count);
    Record(ByteCount("Input", taken.size()));
    return taken;
}

int FakeSerialControl::CommEvent() const {
    return commEvent_;
}

void FakeSerialControl::Record(const std::string& operation) {
    operations_.push_back(operation);
}

void FakeSerialControl::RecordValue(const char* property, int value) {
    Record(std::string(property) + "=" + std::to_string(value));
}

// The fake's line takes every frame at once.
bool FakeSerialControl::WaitForOutput(int) {
    return true;
}

}  // namespace ymodem
