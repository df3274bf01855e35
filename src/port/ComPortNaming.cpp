#include "ComPortNaming.h"

#include "ComPortNumber.h"
#include "CommError.h"

namespace ymodem {

std::string ComPortNaming::DefaultName() const {
    return ComPortName(1);
}

std::vector<std::string> ComPortNaming::Candidates() const {
    std::vector<std::string> names;
    for (int number = 1; number <= kComScanCount; ++number) names.push_back(ComPortName(number));
    return names;
}

std::string ComPortNaming::NameFromListText(const std::string& listText) const {
    const auto number = ComPortNumberFromListText(listText);
    if (!number) throw CommError(CommError::kInvalidPropertyValue);
    return ComPortName(*number);
}

std::string ComPortNaming::DeviceFor(const std::string& name) const {
    if (!IsOpenableComPortName(name)) throw CommError(CommError::kInvalidPortNumber, name);
    return name;
}

}  // namespace ymodem
