#include "DevicePortNaming.h"

#include <algorithm>
#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include "CommError.h"
#include "UserFolders.h"
#include "Utf8Path.h"

namespace ymodem {

namespace {

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype DigitRunEnd(const QString& text, qsizetype from) {
    while (from < text.size() && IsDigit(text.at(from))) ++from;
    return from;
}

// Compares digit runs by value, so that ttyS2 comes before ttyS10.
int CompareDigitRuns(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == u'0') a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0') b = b.mid(1);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a.at(i)) && IsDigit(b.at(j))) {
            const qsizetype aEnd = DigitRunEnd(a, i);
            const qsizetype bEnd = DigitRunEnd(b, j);
            const int order = CompareDigitRuns(QStringView(a).sliced(i, aEnd - i),
                                               QStringView(b).sliced(j, bEnd - j));
            if (order != 0) return order < 0;
            i = aEnd;
            j = bEnd;
        } else {
            if (a.at(i) != b.at(j)) return a.at(i) < b.at(j);
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

QStringList SortedNaturally(QStringList names) {
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

}  // namespace

DevicePortNaming::DevicePortNaming(QString portsFolder, SystemPortList systemPorts)
    : portsFolder_(std::move(portsFolder)), systemPorts_(std::move(systemPorts)) {}

QString DevicePortNaming::DefaultPortsFolder() {
    const auto folder = PortsFolder();
    return folder ? QString::fromStdString(Utf8FromPath(*folder)) : QString();
}

std::vector<DevicePortNaming::SystemPort> DevicePortNaming::AvailableSystemPorts() {
    std::vector<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.portName(), info.systemLocation()});
    }
    return ports;
}

QString DevicePortNaming::DefaultName() const {
    return {};
}

QStringList DevicePortNaming::Candidates() const {
    QStringList systemNames;
    for (const SystemPort& port : systemPorts_()) systemNames.append(port.name);
    QStringList names = SortedNaturally(systemNames) + SortedNaturally(LinkNames());
    // A link named like a system port stands in for it (see DeviceFor) and is offered once.
    names.removeDuplicates();
    return names;
}

QString DevicePortNaming::NameFromListText(const QString& listText) const {
    if (listText.isEmpty()) throw CommError(CommError::kInvalidPropertyValue);
    return listText;
}

QString DevicePortNaming::DeviceFor(const QString& name) const {
    if (name.contains(u'/')) return name;
    if (auto device = LinkDevice(name)) return *device;
    if (auto location = SystemLocation(name)) return *location;
    throw CommError(CommError::kDeviceUnavailable, name.toStdString());
}

QStringList DevicePortNaming::LinkNames() const {
    if (portsFolder_.isEmpty()) return {};  // QDir would list the working folder
    // QDir::System is what lists links whose target is missing.
    const QFileInfoList entries =
        QDir(portsFolder_).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QStringList names;
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink()) names.append(entry.fileName());
    }
    return names;
}

std::optional<QString> DevicePortNaming::LinkDevice(const QString& name) const {
    if (name.isEmpty() || portsFolder_.isEmpty()) return std::nullopt;
    const QFileInfo link(QDir(portsFolder_).filePath(name));
    if (!link.isSymLink()) return std::nullopt;
    // The link's final target rather than the link itself, so that QSerialPort's lock
    // file is the same whichever name the device is reached by.
    const QString device = link.canonicalFilePath();
    if (device.isEmpty()) throw CommError(CommError::kDeviceUnavailable, name.toStdString());
    return device;
}

std::optional<QString> DevicePortNaming::SystemLocation(const QString& name) const {
    for (const SystemPort& port : systemPorts_()) {
        if (port.name == name) return port.location;
    }
    return std::nullopt;
}

}  // namespace ymodem
