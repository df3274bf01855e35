// Parses arbitrary text as serial line settings, read both as it comes and as Latin-1
// turned into UTF-8. An accepted text must survive the trip through its canonical form,
// which is what the settings file stores and the next start reads back.
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzInput.h"
#include "LineSettings.h"

namespace ymodem::fuzz {

namespace {

std::string Utf8FromLatin1(std::string_view bytes) {
    std::string text;
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x80) {
            text += byte;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

void CheckText(std::string_view text) {
    const std::optional<LineSettings> parsed = LineSettings::Parse(text);
    if (!parsed) return;
    Require(parsed->BaudRate() > 0, "baud rate above 0");
    Require(parsed->DataBits() >= 5 && parsed->DataBits() <= 8, "5 to 8 data bits");

    const std::string canonical = parsed->Text();
    const std::optional<LineSettings> again = LineSettings::Parse(canonical);
    Require(again && *again == *parsed, "the canonical text reads back as the same settings");
    Require(again->Text() == canonical, "the canonical text is stable");

    // Blanks around the fields and the case of the parity letter are forgiven.
    std::string loose = " ";
    for (const char c : canonical) {
        if (c == ',') {
            loose += " ,\t";
        } else {
            loose += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    const std::optional<LineSettings> relaxed = LineSettings::Parse(loose);
    Require(relaxed && *relaxed == *parsed, "blanks and lower case are forgiven");
}

}  // namespace

}  // namespace ymodem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ymodem::fuzz::CheckText(bytes);
    ymodem::fuzz::CheckText(ymodem::fuzz::Utf8FromLatin1(bytes));
    return 0;
}
