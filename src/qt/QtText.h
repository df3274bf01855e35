#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace ymodem {

// The engine and the settings speak UTF-8; Qt speaks QString.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace ymodem
