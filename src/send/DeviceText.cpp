#include "DeviceText.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace ymodem {

namespace {

constexpr std::size_t kMostLineBytes = 200;

bool ContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

// A dumped JSON text is valid UTF-8 whatever bytes it was given.
std::string ValidUtf8(std::string_view text) {
    using Json = nlohmann::json;
    const std::string dumped =
        Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
    return Json::parse(dumped).get<std::string>();
}

std::string DeviceLineText(std::string_view line) {
    std::string printable;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) printable += c;
    }
    std::string text = ValidUtf8(printable);
    if (text.size() <= kMostLineBytes) return text;
    std::size_t cut = kMostLineBytes;
    while (cut > 0 && ContinuationByte(text[cut])) --cut;
    text.resize(cut);
    return text;
}

}  // namespace ymodem
