// Parses arbitrary text as serial line settings, read both as UTF-8 and as Latin-1. An
// accepted text must survive the trip through its canonical form, which is what the
// settings file stores and the next start reads back.
#include <cstdint>
#include <optional>

#include <QString>

#include "FuzzInput.h"
#include "LineSettings.h"

namespace ymodem::fuzz {

namespace {

void CheckText(const QString& text) {
    const std::optional<LineSettings> parsed = LineSettings::Parse(text);
    if (!parsed) return;
    Require(parsed->BaudRate() > 0, "baud rate above 0");
    Require(parsed->DataBits() >= 5 && parsed->DataBits() <= 8, "5 to 8 data bits");

    const QString canonical = parsed->Text();
    const std::optional<LineSettings> again = LineSettings::Parse(canonical);
    Require(again && *again == *parsed, "the canonical text reads back as the same settings");
    Require(again->Text() == canonical, "the canonical text is stable");

    // Blanks around the fields and the case of the parity letter are forgiven.
    QString loose = canonical.toLower();
    loose.replace(u',', QStringLiteral(" ,\t"));
    const std::optional<LineSettings> relaxed = LineSettings::Parse(QStringLiteral(" ") + loose);
    Require(relaxed && *relaxed == *parsed, "blanks and lower case are forgiven");
}

}  // namespace

}  // namespace ymodem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    ymodem::fuzz::CheckText(QString::fromUtf8(chars, length));
    ymodem::fuzz::CheckText(QString::fromLatin1(chars, length));
    return 0;
}
