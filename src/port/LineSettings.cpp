#include "LineSettings.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QStringList>

namespace ymodem {

namespace {

constexpr std::array<std::pair<char, LineSettings::Parity>, 5> kParityLetters{{
    {'N', LineSettings::Parity::kNone},
    {'E', LineSettings::Parity::kEven},
    {'O', LineSettings::Parity::kOdd},
    {'M', LineSettings::Parity::kMark},
    {'S', LineSettings::Parity::kSpace},
}};

constexpr std::array<std::pair<const char*, LineSettings::StopBits>, 3> kStopTexts{{
    {"1", LineSettings::StopBits::kOne},
    {"1.5", LineSettings::StopBits::kOneAndHalf},
    {"2", LineSettings::StopBits::kTwo},
}};

bool AllDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

std::optional<int> ReadBaudRate(const QString& text) {
    if (!AllDigits(text)) return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value <= 0) return std::nullopt;
    return value;
}

std::optional<LineSettings::Parity> ReadParity(const QString& text) {
    if (text.size() != 1) return std::nullopt;
    const char letter = text.at(0).toUpper().toLatin1();
    for (const auto& [candidate, parity] : kParityLetters) {
        if (candidate == letter) return parity;
    }
    return std::nullopt;
}

std::optional<int> ReadDataBits(const QString& text) {
    if (text.size() != 1 || text.at(0) < u'5' || text.at(0) > u'8') return std::nullopt;
    return text.at(0).unicode() - u'0';
}

std::optional<LineSettings::StopBits> ReadStopBits(const QString& text) {
    for (const auto& [candidate, stop] : kStopTexts) {
        if (text == QLatin1String(candidate)) return stop;
    }
    return std::nullopt;
}

}  // namespace

std::optional<LineSettings> LineSettings::Parse(const QString& text) {
    QStringList fields = text.split(u',');
    if (fields.size() != 4) return std::nullopt;
    for (QString& field : fields) field = field.trimmed();

    const auto baudRate = ReadBaudRate(fields[0]);
    const auto parity = ReadParity(fields[1]);
    const auto dataBits = ReadDataBits(fields[2]);
    const auto stopBits = ReadStopBits(fields[3]);
    if (!baudRate || !parity || !dataBits || !stopBits) return std::nullopt;

    LineSettings settings;
    settings.baudRate_ = *baudRate;
    settings.parity_ = *parity;
    settings.dataBits_ = *dataBits;
    settings.stopBits_ = *stopBits;
    return settings;
}

QString LineSettings::Text() const {
    char parityLetter = 'N';
    for (const auto& [letter, parity] : kParityLetters) {
        if (parity == parity_) parityLetter = letter;
    }
    const char* stopText = "1";
    for (const auto& [text, stop] : kStopTexts) {
        if (stop == stopBits_) stopText = text;
    }
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baudRate_)
        .arg(QLatin1Char(parityLetter))
        .arg(dataBits_)
        .arg(QLatin1String(stopText));
}

}  // namespace ymodem
