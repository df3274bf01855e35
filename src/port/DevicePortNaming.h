#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PortNaming.h"

namespace ymodem {

// Port naming on systems with device nodes: the serial ports the system reports,
// then the symbolic links the user keeps in a ports folder (a link "bench0" to
// /dev/pts/7 makes a port named bench0), and any name with a "/" taken as a path.
class DevicePortNaming final : public PortNaming {
public:
    struct SystemPort {
        std::string name;      // e.g. "ttyUSB0"
        std::string location;  // e.g. "/dev/ttyUSB0"
    };
    using SystemPortList = std::function<std::vector<SystemPort>()>;

    // portsFolder in UTF-8; empty offers no links. devicesFolder: where the system keeps the
    // device node of each port it reports, under the port's name.
    DevicePortNaming(std::string portsFolder, SystemPortList systemPorts,
                     std::string devicesFolder = "/dev");

    // The user's ports folder, shared with the virtual device (see PortsFolder); empty
    // when the environment names no configuration folder, and then no links are offered.
    static std::string DefaultPortsFolder();

    std::string DefaultName() const override;
    std::vector<std::string> Candidates() const override;
    std::string NameFromListText(const std::string& listText) const override;
    std::string DeviceFor(const std::string& name) const override;
    // A stat of the path, of the link in the ports folder or of the system's device node.
    bool MayBePresent(const std::string& name) const override;
    // The folders where the port of that name would appear: the path's own, or the ports
    // folder and the devices folder, and the folder a link there points into.
    std::vector<std::filesystem::path> FoldersToWatch(const std::string& name) const;

private:
    std::vector<std::string> LinkNames() const;
    std::optional<std::string> LinkDevice(const std::string& name) const;
    std::optional<std::string> SystemLocation(const std::string& name) const;

    bool HasDeviceNode(const std::string& name) const;
    bool HasLink(const std::string& name) const;
    std::filesystem::path LinkPath(const std::string& name) const;

    std::string portsFolder_;
    SystemPortList systemPorts_;
    std::string devicesFolder_;
};

}  // namespace ymodem
