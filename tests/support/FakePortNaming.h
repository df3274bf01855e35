#pragma once

#include <string>
#include <vector>

#include "CommError.h"
#include "PortNaming.h"

namespace ymodem {

// Ports named by the test: any non-empty list text is a port, opened under its own name.
class FakePortNaming final : public PortNaming {
public:
    std::vector<std::string> Names;

    std::string DefaultName() const override { return {}; }
    std::vector<std::string> Candidates() const override { return Names; }
    std::string NameFromListText(const std::string& listText) const override {
        if (listText.empty()) throw CommError(CommError::kInvalidPropertyValue);
        return listText;
    }
    std::string DeviceFor(const std::string& name) const override { return name; }
};

}  // namespace ymodem
