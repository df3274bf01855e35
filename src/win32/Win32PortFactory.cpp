#include "Win32PortFactory.h"

#include "ComPortNaming.h"
#include "ComPortNumber.h"
#include "WideText_win.h"
#include "Win32SerialBackend.h"

namespace ymodem {

std::unique_ptr<SerialControl> Win32PortFactory::MakeSerialControl() {
    return std::make_unique<SerialControl>(std::make_unique<ComPortNaming>(),
                                           std::make_unique<Win32SerialBackend>(loop_));
}

std::unique_ptr<WakeTimer> Win32PortFactory::MakeWakeTimer() {
    return loop_.Timers().MakeTimer();
}

// The port's name is looked up without opening the port: a failed open costs a waiting port
// far more, five times a second. The system answers from its device names, wine from its
// dosdevices links, a new one seen at once (QueryDosDeviceW would not do: wine answers it
// only for the ports it found when it started). Only "no such name" counts as absent (wine
// says ERROR_BAD_DEV_TYPE for a COM name it has no link for, or a link to nothing); any other
// answer, a present port's "access denied" among them, leaves it to the open.
bool Win32PortFactory::PortMayBePresent(const std::string& port) const {
    if (!IsOpenableComPortName(port)) return true;
    const std::wstring path = L"\\\\.\\" + WideFromBytes(port, CP_UTF8);
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_BAD_DEV_TYPE;
}

}  // namespace ymodem
