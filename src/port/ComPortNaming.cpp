#include "ComPortNaming.h"

#include "ComPortNumber.h"
#include "CommError.h"

namespace ymodem {

QString ComPortNaming::DefaultName() const {
    return QString::fromStdString(ComPortName(1));
}

QStringList ComPortNaming::Candidates() const {
    QStringList names;
    for (int number = 1; number <= kComScanCount; ++number) {
        names.append(QString::fromStdString(ComPortName(number)));
    }
    return names;
}

QString ComPortNaming::NameFromListText(const QString& listText) const {
    const auto number = ComPortNumberFromListText(listText.toStdString());
    if (!number) throw CommError(CommError::kInvalidPropertyValue);
    return QString::fromStdString(ComPortName(*number));
}

QString ComPortNaming::DeviceFor(const QString& name) const {
    if (!IsOpenableComPortName(name.toStdString())) {
        throw CommError(CommError::kInvalidPortNumber, name.toStdString());
    }
    return name;
}

}  // namespace ymodem
