#include "DevicePortNaming.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "CommError.h"
#include "UserFolders.h"
#include "Utf8Path.h"

namespace ymodem {

namespace {

bool IsPath(const std::string& name) {
    return name.find('/') != std::string::npos;
}

// The folder of the link's target, when the path is a link: a link kept while its device
// comes and goes changes nothing in its own folder.
std::optional<std::filesystem::path> TargetFolder(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) return std::nullopt;
    return (path.parent_path() / target).parent_path();
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t DigitRunEnd(std::string_view text, std::size_t from) {
    while (from < text.size() && IsDigit(text[from])) ++from;
    return from;
}

// Compares digit runs by value, so that ttyS2 comes before ttyS10.
int CompareDigitRuns(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.front() == '0') a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0') b.remove_prefix(1);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t aEnd = DigitRunEnd(a, i);
            const std::size_t bEnd = DigitRunEnd(b, j);
            const int order = CompareDigitRuns(a.substr(i, aEnd - i), b.substr(j, bEnd - j));
            if (order != 0) return order < 0;
            i = aEnd;
            j = bEnd;
        } else {
            if (a[i] != b[j]) {
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            }
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> SortedNaturally(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

}  // namespace

DevicePortNaming::DevicePortNaming(std::string portsFolder, SystemPortList systemPorts,
                                   std::string devicesFolder)
    : portsFolder_(std::move(portsFolder)),
      systemPorts_(std::move(systemPorts)),
      devicesFolder_(std::move(devicesFolder)) {}

std::string DevicePortNaming::DefaultPortsFolder() {
    const auto folder = PortsFolder();
    return folder ? Utf8FromPath(*folder) : std::string();
}

std::string DevicePortNaming::DefaultName() const {
    return {};
}

std::vector<std::string> DevicePortNaming::Candidates() const {
    std::vector<std::string> systemNames;
    for (const SystemPort& port : systemPorts_()) systemNames.push_back(port.name);
    std::vector<std::string> names = SortedNaturally(std::move(systemNames));
    // A link named like a system port stands in for it (see DeviceFor) and is offered once.
    for (std::string& link : SortedNaturally(LinkNames())) {
        if (std::find(names.begin(), names.end(), link) == names.end()) {
            names.push_back(std::move(link));
        }
    }
    return names;
}

std::string DevicePortNaming::NameFromListText(const std::string& listText) const {
    if (listText.empty()) throw CommError(CommError::kInvalidPropertyValue);
    return listText;
}

std::string DevicePortNaming::DeviceFor(const std::string& name) const {
    // A path not there is no device: found with a stat, where an open would cost far more
    // on every poll of a port waited for.
    if (IsPath(name)) {
        if (!Exists(PathFromUtf8(name))) throw CommError(CommError::kDeviceUnavailable, name);
        return name;
    }
    if (auto device = LinkDevice(name)) return *device;
    if (auto location = SystemLocation(name)) return *location;
    throw CommError(CommError::kDeviceUnavailable, name);
}

// Never lists the system's ports: a port that may be there still has to open, and a
// failed open is judged there.
bool DevicePortNaming::MayBePresent(const std::string& name) const {
    if (name.empty()) return false;
    if (IsPath(name)) return Exists(PathFromUtf8(name));
    return (HasLink(name) && Exists(LinkPath(name))) || HasDeviceNode(name);
}

std::vector<std::filesystem::path> DevicePortNaming::FoldersToWatch(const std::string& name) const {
    std::vector<std::filesystem::path> folders;
    if (name.empty()) return folders;
    const auto watchPlaceOf = [&folders](const std::filesystem::path& path) {
        folders.push_back(path.parent_path());
        if (auto target = TargetFolder(path)) folders.push_back(std::move(*target));
    };
    if (IsPath(name)) {
        watchPlaceOf(PathFromUtf8(name));
        return folders;
    }
    if (!portsFolder_.empty()) watchPlaceOf(LinkPath(name));
    folders.push_back(PathFromUtf8(devicesFolder_));
    return folders;
}

// Hidden entries are no ports: a name starting with a dot is left out.
std::vector<std::string> DevicePortNaming::LinkNames() const {
    std::vector<std::string> names;
    if (portsFolder_.empty()) return names;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(PathFromUtf8(portsFolder_), error)) {
        std::error_code kindError;
        if (!entry.is_symlink(kindError)) continue;
        std::string name = Utf8FromPath(entry.path().filename());
        if (!name.empty() && name.front() != '.') names.push_back(std::move(name));
    }
    return names;
}

std::optional<std::string> DevicePortNaming::LinkDevice(const std::string& name) const {
    if (!HasLink(name)) return std::nullopt;
    const std::filesystem::path link = LinkPath(name);
    std::error_code error;
    // The link's final target rather than the link itself, so that the port's lock is the
    // same whichever name the device is reached by.
    const std::filesystem::path device = std::filesystem::canonical(link, error);
    if (error) throw CommError(CommError::kDeviceUnavailable, name);
    return Utf8FromPath(device);
}

// Only a name with a device node can be a system port: a port waited for is looked for by
// its own name, never by listing every port of the system.
std::optional<std::string> DevicePortNaming::SystemLocation(const std::string& name) const {
    if (!HasDeviceNode(name)) return std::nullopt;
    for (const SystemPort& port : systemPorts_()) {
        if (port.name == name) return port.location;
    }
    return std::nullopt;
}

bool DevicePortNaming::HasDeviceNode(const std::string& name) const {
    return Exists(PathFromUtf8(devicesFolder_) / PathFromUtf8(name));
}

std::filesystem::path DevicePortNaming::LinkPath(const std::string& name) const {
    return PathFromUtf8(portsFolder_) / PathFromUtf8(name);
}

bool DevicePortNaming::HasLink(const std::string& name) const {
    if (name.empty() || portsFolder_.empty()) return false;
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(LinkPath(name), error));
}

}  // namespace ymodem
