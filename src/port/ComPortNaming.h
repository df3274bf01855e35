#pragma once

#include "PortNaming.h"

namespace ymodem {

// Windows port naming: ports are numbered, the list text is "COM" and a number, and
// a port scan tries COM1 to COM16. Qt glue over ComPortNumber, so it is built and tested
// everywhere.
class ComPortNaming final : public PortNaming {
public:
    QString DefaultName() const override;
    QStringList Candidates() const override;
    QString NameFromListText(const QString& listText) const override;
    QString DeviceFor(const QString& name) const override;
};

}  // namespace ymodem
