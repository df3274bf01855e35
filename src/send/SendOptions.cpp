#include "SendOptions.h"

#include "NativeSeparators.h"
#include "Utf8Text.h"

namespace ymodem {

namespace {

std::optional<int> WholeNumber(const QString& text, int least) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < least) return std::nullopt;
    return value;
}

ParsedSendOptions Refuse(const QString& error) {
    return {std::nullopt, error};
}

}  // namespace

ParsedSendOptions CheckSendOptions(const SendCommandLine& line) {
    if (line.Positional.size() != 2) return Refuse("expected a PORT and a FILE");
    // Any rate the port takes: whether it does is for the port to say when it opens.
    const auto baud = WholeNumber(line.Baud, 1);
    if (!baud) return Refuse("--baud takes a rate in bits per second, not '" + line.Baud + "'");
    const auto transfers = WholeNumber(line.Count, 0);
    if (!transfers) {
        return Refuse("--count takes a whole number of 0 or more, not '" + line.Count + "'");
    }
    const auto seconds = WholeNumber(line.Timeout, 0);
    if (!seconds) {
        return Refuse("--timeout takes a whole number of seconds, not '" + line.Timeout + "'");
    }
    if (line.EndSession && *transfers == 0) {
        return Refuse("--end-session needs a --count of 1 or more: serving for ever never ends");
    }
    SendOptions options;
    options.Port = line.Positional[0];
    options.File = ToNativeSeparators(ToUtf8(line.Positional[1]));
    options.Baud = *baud;
    options.Count = *transfers;
    options.TimeoutSeconds = *seconds;
    options.Quiet = line.Quiet;
    options.EndSession = line.EndSession;
    return {options, {}};
}

}  // namespace ymodem
