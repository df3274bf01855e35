#include "SendOptions.h"

namespace ymodem {

namespace {

const QStringList kBaudRates{"9600", "19200", "38400", "57600", "115200"};

std::optional<int> NonNegative(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0) return std::nullopt;
    return value;
}

ParsedSendOptions Refuse(const QString& error) {
    return {std::nullopt, error};
}

}  // namespace

ParsedSendOptions CheckSendOptions(const QStringList& positional, const QString& baud,
                                   const QString& count, const QString& timeout, bool quiet) {
    if (positional.size() != 2) return Refuse("expected a PORT and a FILE");
    if (!kBaudRates.contains(baud)) {
        return Refuse("unsupported baud rate '" + baud +
                      "': use 9600, 19200, 38400, 57600 or 115200");
    }
    const auto transfers = NonNegative(count);
    if (!transfers) return Refuse("--count takes a whole number of 0 or more, not '" + count + "'");
    const auto seconds = NonNegative(timeout);
    if (!seconds) return Refuse("--timeout takes a whole number of seconds, not '" + timeout + "'");
    SendOptions options;
    options.Port = positional[0];
    options.File = positional[1];
    options.Baud = baud;
    options.Count = *transfers;
    options.TimeoutSeconds = *seconds;
    options.Quiet = quiet;
    return {options, {}};
}

}  // namespace ymodem
