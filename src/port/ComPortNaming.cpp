#include "ComPortNaming.h"

#include "CommError.h"
#include "NumberText.h"

namespace ymodem {

namespace {

constexpr int kScanCount = 16;
constexpr int kHighestPort = 255;
// The list text's first three characters are taken to be "COM", whatever they are.
constexpr qsizetype kPrefixLength = 3;

QString ComName(int number) {
    return QStringLiteral("COM") + QString::number(number);
}

}  // namespace

QString ComPortNaming::DefaultName() const {
    return ComName(1);
}

QStringList ComPortNaming::Candidates() const {
    QStringList names;
    for (int number = 1; number <= kScanCount; ++number) names.append(ComName(number));
    return names;
}

QString ComPortNaming::NameFromListText(const QString& listText) const {
    if (listText.size() < kPrefixLength) throw CommError(CommError::kInvalidPropertyValue);
    const auto number = RoundToInt16(LeadingNumber(listText.mid(kPrefixLength).toStdString()));
    if (!number) throw CommError(CommError::kInvalidPropertyValue);
    return ComName(*number);
}

QString ComPortNaming::DeviceFor(const QString& name) const {
    const int number = name.mid(kPrefixLength).toInt();
    if (number < 1 || number > kHighestPort) {
        throw CommError(CommError::kInvalidPortNumber, name.toStdString());
    }
    return name;
}

}  // namespace ymodem
