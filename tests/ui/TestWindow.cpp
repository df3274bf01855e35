#include "TestWindow.h"

#include <QFile>

#include "IniSettings.h"

namespace ymodem::test {

namespace {

constexpr const char* kSection = "Para1";

}  // namespace

TestWindow::TestWindow() : previousConfigHome(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
}

TestWindow::~TestWindow() {
    if (previousConfigHome.isEmpty()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", previousConfigHome);
    }
}

void TestWindow::Store(const char* key, const QString& value) const {
    WriteIniStr(SettingsPath(), kSection, key, value.toStdString());
}

QString TestWindow::Stored(const char* key) const {
    const QString prefix = QString::fromLatin1(key) + '=';
    for (const QString& line : QString::fromUtf8(SettingsBytes()).split('\n')) {
        if (line.startsWith(prefix)) return line.mid(prefix.size());
    }
    return {};
}

QByteArray TestWindow::SettingsBytes() const {
    QFile file(QString::fromStdString(SettingsPath()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TestWindow::MakeBurnFile(const QString& name, int size) const {
    const QString path = FolderPath(name);
    const Bytes bytes = PatternBytes(size);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

void TestWindow::StartOnPort(const QString& port) {
    comm.SetCandidates({port});
    Store("SaveComm", port);
    Store("CboBaud", "4");
    form.Load();
}

void TestWindow::Reply(const Bytes& bytes) {
    comm.InjectInput(bytes);
    WakeAtDeadline();
}

TimePoint TestWindow::WakeAtDeadline() {
    now = form.Driver().NextWake().value();
    form.Driver().Wake();
    return now;
}

Bytes PatternBytes(int size) {
    Bytes bytes(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    return bytes;
}

}  // namespace ymodem::test
