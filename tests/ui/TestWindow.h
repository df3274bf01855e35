#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DiskBurnFileSource.h"
#include "FakeControls.h"
#include "FakeSerialControl.h"
#include "FakeWakeTimer.h"
#include "Form1.h"
#include "TempFolder.h"

namespace ymodem::test {

using Bytes = std::vector<std::uint8_t>;

// A window over fake controls, a fake port and real files, whose settings file lives in a
// fresh folder for as long as the window does, so that no test sees another's settings.
// The folder's name is ASCII: the settings file holds paths in the system's 8-bit text.
struct TestWindow {
    // As the window stores it.
    void Store(const char* key, const std::string& value) const;
    // The stored text under the key, as UTF-8; nothing when the key is missing.
    std::optional<std::string> Stored(const char* key) const;
    std::string SettingsBytes() const;
    // A burn file of size bytes (a repeating pattern) in the window's folder; its path.
    std::string MakeBurnFile(const std::string& name, int size) const;
    std::string FolderPath(const std::string& name) const { return folder.Utf8(name); }
    // Starts with one port on offer, saved as the port to use, at 115200.
    void StartOnPort(const std::string& port);

    TempFolder folder{"ymodem-ui-"};
    FakeSerialControl comm;
    DiskBurnFileSource files;
    FakeForm1Controls controls;
    FakeWakeTimer wake;
    TimePoint now{0};  // the window's clock: it moves only when a test moves it
    Form1 form{
        controls.Controls(), comm, files, wake, [this] { return now; }, WindowSettings([this] {
            return SettingsPath();
        })};

    // The window's settings file, in the window's folder and never the user's.
    std::string SettingsPath() const { return FolderPath("YmodemCfg.ini"); }

    // The device's bytes arrive through the port; the line then stays quiet until the
    // window has judged them.
    void Reply(const Bytes& bytes);
    // Moves the clock to the transfer's next deadline and lets the timer fire; gives that
    // time.
    TimePoint WakeAtDeadline();
};

Bytes PatternBytes(int size);

}  // namespace ymodem::test
