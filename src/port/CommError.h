#pragma once

#include <stdexcept>
#include <string>

namespace ymodem {

// A failure of a serial control operation, numbered like the run-time errors of the
// old Windows serial control so that the window can keep reporting the same numbers:
//
//     68    the device is not there: QSerialPort's DeviceNotFoundError, a name that
//           resolves to no device, a port-folder link that points nowhere
//     70    no permission to use the device: QSerialPort's PermissionError while
//           the device node itself is not readable and writable for us (on Linux a
//           user outside the dialout group)
//     380   an invalid property value: unreadable port text or settings text, a
//           negative size or threshold, a count other than 0
//     8002  an invalid port number: COM0 and numbers above COM255 (refused when the
//           port is opened, so that CommPortName() still shows what was asked for)
//     8005  the port is already open: held by another program (QSerialPort's lock
//           file or exclusive open failing while the node is accessible to us), or
//           this control is asked to open twice or to change its port while open
//     8010  any other failure to open or set up the device, e.g. a node that is no
//           serial port or line settings the device refuses
class CommError : public std::runtime_error {
public:
    static constexpr int kDeviceUnavailable = 68;
    static constexpr int kPermissionDenied = 70;
    static constexpr int kInvalidPropertyValue = 380;
    static constexpr int kInvalidPortNumber = 8002;
    static constexpr int kPortAlreadyOpen = 8005;
    static constexpr int kHardwareUnavailable = 8010;

    // The message is the number's standard text, followed by detail when given.
    explicit CommError(int number, const std::string& detail = {});

    int Number() const { return number_; }

private:
    int number_;
};

}  // namespace ymodem
