#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "DiskBurnFileSource.h"
#include "FakeSerialControl.h"
#include "Form1.h"

namespace ymodem::test {

using Bytes = std::vector<std::uint8_t>;

// A window over a fake port and real files, whose settings file lives in a fresh folder
// for as long as the window does, so that no test sees another's settings.
struct TestWindow {
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    void Store(const char* key, const QString& value) const;
    // The stored text under the key; a null string when the key is missing.
    QString Stored(const char* key) const;
    QByteArray SettingsBytes() const;
    // A burn file of size bytes (a repeating pattern) in the window's folder.
    QString MakeBurnFile(const QString& name, int size) const;
    QString FolderPath(const QString& name) const { return folder.filePath(name); }
    // Starts with one port on offer, saved as the port to use, at 115200.
    void StartOnPort(const QString& port);

    QTemporaryDir folder;
    QByteArray previousConfigHome;
    FakeSerialControl comm;
    DiskBurnFileSource files;
    QString dialogAnswer;  // what the file dialog gives back
    TimePoint now{0};      // the window's clock: it moves only when a test moves it
    Form1 form{comm, files,
               [this](QWidget*, const QString&, const QString&) { return dialogAnswer; },
               [this] { return now; }, WindowSettings([this] { return SettingsPath(); })};

    // The window's settings file, in the window's folder and never the user's.
    std::string SettingsPath() const { return FolderPath("YmodemCfg.ini").toStdString(); }

    // The device's bytes arrive through the port; the line then stays quiet until the
    // window has judged them.
    void Reply(const Bytes& bytes);
    // Moves the clock to the transfer's next deadline and lets it fire; gives that time.
    TimePoint WakeAtDeadline();
};

Bytes PatternBytes(int size);

}  // namespace ymodem::test
