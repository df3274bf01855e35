#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "PortNaming.h"

namespace ymodem {

// Port naming on systems with device nodes: the serial ports the system reports,
// then the symbolic links the user keeps in a ports folder (a link "bench0" to
// /dev/pts/7 makes a port named bench0), and any name with a "/" taken as a path.
class DevicePortNaming final : public PortNaming {
public:
    struct SystemPort {
        QString name;      // e.g. "ttyUSB0"
        QString location;  // e.g. "/dev/ttyUSB0"
    };
    using SystemPortList = std::function<std::vector<SystemPort>()>;

    DevicePortNaming(QString portsFolder, SystemPortList systemPorts);

    // The user's ports folder, shared with the virtual device (see PortsFolder); empty
    // when the environment names no configuration folder, and then no links are offered.
    static QString DefaultPortsFolder();
    // The serial ports QSerialPortInfo reports.
    static std::vector<SystemPort> AvailableSystemPorts();

    QString DefaultName() const override;
    QStringList Candidates() const override;
    QString NameFromListText(const QString& listText) const override;
    QString DeviceFor(const QString& name) const override;

private:
    QStringList LinkNames() const;
    std::optional<QString> LinkDevice(const QString& name) const;
    std::optional<QString> SystemLocation(const QString& name) const;

    QString portsFolder_;
    SystemPortList systemPorts_;
};

}  // namespace ymodem
