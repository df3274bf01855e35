#include <windows.h>

#include <io.h>

#include <QMetaObject>

#include "StopSignals.h"
#include "Terminal.h"

namespace ymodem {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

namespace {

// The console's control handler runs on a thread of its own and can only reach the
// program through something static.
StopSignals* stopSignals = nullptr;

BOOL WINAPI HandleConsoleControl(DWORD type) {
    if (stopSignals == nullptr) return FALSE;
    const int exitCode = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? 130 : 143;
    QMetaObject::invokeMethod(
        stopSignals, [exitCode] { emit stopSignals->StopRequested(exitCode); },
        Qt::QueuedConnection);
    return TRUE;
}

}  // namespace

struct StopSignals::Platform {};

StopSignals::StopSignals(QObject* parent)
    : QObject(parent), platform_(std::make_unique<Platform>()) {
    stopSignals = this;
    SetConsoleCtrlHandler(HandleConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(HandleConsoleControl, FALSE);
    stopSignals = nullptr;
}

}  // namespace ymodem
