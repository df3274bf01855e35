#pragma once

#include <windows.h>

#include "FileChooser.h"

namespace ymodem {

// GetOpenFileNameW over the window. While the dialog's own loop runs, the window gets a
// WM_TIMER of kServiceTimer every few milliseconds, by which it serves the serial line and
// the wake-up timers, so that a transfer goes on under the dialog.
class Win32FileChooser final : public FileChooser {
public:
    static constexpr UINT_PTR kServiceTimer = 1;

    explicit Win32FileChooser(HWND owner) : owner_(owner) {}

    // The filter comes as "description|pattern".
    std::string ShowOpen(const std::string& initDir, const std::string& filter) override;

private:
    HWND owner_;
};

}  // namespace ymodem
