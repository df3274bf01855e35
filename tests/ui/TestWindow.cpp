#include "TestWindow.h"

#include "IniSettings.h"
#include "SystemEncoding.h"
#include "Utf8Path.h"

namespace ymodem::test {

namespace {

constexpr const char* kSection = "Para1";

}  // namespace

void TestWindow::Store(const char* key, const std::string& value) const {
    WriteIniStr(SettingsPath(), kSection, key, value);
}

std::optional<std::string> TestWindow::Stored(const char* key) const {
    const std::string prefix = std::string(key) + '=';
    const std::string bytes = SettingsBytes();
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(prefix)) return FromSystem8Bit(line.substr(prefix.size()));
        start = end + 1;
    }
    return std::nullopt;
}

std::string TestWindow::SettingsBytes() const {
    return ReadBytes(PathFromUtf8(SettingsPath()));
}

std::string TestWindow::MakeBurnFile(const std::string& name, int size) const {
    const Bytes bytes = PatternBytes(size);
    WriteBytes(folder.Path() / PathFromUtf8(name), std::string(bytes.begin(), bytes.end()));
    return FolderPath(name);
}

void TestWindow::StartOnPort(const std::string& port) {
    comm.SetCandidates({port});
    Store("SaveComm", port);
    Store("CboBaud", "4");
    form.Form_Load();
}

void TestWindow::Reply(const Bytes& bytes) {
    comm.InjectInput(bytes);
    WakeAtDeadline();
}

TimePoint TestWindow::WakeAtDeadline() {
    now = form.Driver().NextWake().value();
    wake.Fire();
    return now;
}

Bytes PatternBytes(int size) {
    Bytes bytes(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

}  // namespace ymodem::test
