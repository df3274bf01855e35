#pragma once

#include "PortNaming.h"

namespace ymodem {

// Windows port naming: ports are numbered, the list text is "COM" and a number, and
// a port scan tries COM1 to COM16. Built and tested everywhere.
class ComPortNaming final : public PortNaming {
public:
    std::string DefaultName() const override;
    std::vector<std::string> Candidates() const override;
    std::string NameFromListText(const std::string& listText) const override;
    std::string DeviceFor(const std::string& name) const override;
};

}  // namespace ymodem
