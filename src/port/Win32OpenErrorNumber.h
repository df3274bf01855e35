#pragma once

namespace ymodem {

// The CommError number for the Windows system error with which opening a COM port failed:
// 8005 for a port another program holds (access denied, a sharing or lock violation),
// 68 for a port that is not there (no such file or path, a name the system refuses),
// 8010 for any other failure. Plain numbers, so that the rule is built and tested on every
// system.
int Win32OpenErrorNumber(unsigned long systemError);

}  // namespace ymodem
