#pragma once

#include <string>
#include <vector>

namespace ymodem {

// How ports are named on a system: the names a port scan tries, how a list text
// becomes a port name, and which device a name opens. Texts are UTF-8. Replaceable so
// that tests can name ports of their own.
class PortNaming {
public:
    virtual ~PortNaming() = default;

    // The port a new control starts with.
    virtual std::string DefaultName() const = 0;
    // The names to try in a port scan, in the order to try them.
    virtual std::vector<std::string> Candidates() const = 0;
    // The port name a list text stands for; throws CommError 380 for a text that
    // names no port.
    virtual std::string NameFromListText(const std::string& listText) const = 0;
    // The location the serial driver opens for a name; throws CommError 68 or 8002 when
    // the name cannot stand for a device.
    virtual std::string DeviceFor(const std::string& name) const = 0;
    // Whether a port of that name may be there now: false only when it surely is not. Cheap
    // and without exceptions, for a port waited for, which is looked for up to five times a second;
    // a naming that cannot tell without an open says true.
    virtual bool MayBePresent(const std::string& /*name*/) const { return true; }
};

}  // namespace ymodem
