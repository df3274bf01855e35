#pragma once

#include <memory>

#include <QString>
#include <QStringList>

namespace ymodem {

// How ports are named on a system: the names a port scan tries, how a list text
// becomes a port name, and which device a name opens. Replaceable so that tests can
// name ports of their own.
class PortNaming {
public:
    virtual ~PortNaming() = default;

    // The naming of the system the program runs on: COM numbers on Windows, the
    // system's serial ports and the user's ports folder elsewhere.
    static std::unique_ptr<PortNaming> ForThisSystem();

    // The port a new control starts with.
    virtual QString DefaultName() const = 0;
    // The names to try in a port scan, in the order to try them.
    virtual QStringList Candidates() const = 0;
    // The port name a list text stands for; throws CommError 380 for a text that
    // names no port.
    virtual QString NameFromListText(const QString& listText) const = 0;
    // The location QSerialPort opens for a name; throws CommError 68 or 8002 when the
    // name cannot stand for a device.
    virtual QString DeviceFor(const QString& name) const = 0;
};

}  // namespace ymodem
