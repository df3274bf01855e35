#include "SendOptions.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include <CLI/CLI.hpp>

#include "ConsoleText.h"
#include "NativeSeparators.h"

namespace ymodem {

namespace {

constexpr const char* kUsage = "Usage: ymodem-send [OPTIONS] PORT... FILE";

constexpr const char* kDescription =
    "Flashes FILE into the boot loader on PORT over YMODEM: every C the device sends while "
    "idle starts a transfer. Each status text is printed as one line. With several ports, "
    "each has its own transfers, and its lines start with the port.";

constexpr int kMostEraseMs = 600000;
constexpr int kMostExpectSeconds = 600;

constexpr const char* kFooter =
    "Exit codes: 0 done, 1 bad command line, 2 the file cannot be loaded, 3 the port cannot "
    "be opened, 4 timed out, 5 the port was lost, 6 the flash log could not be written, "
    "7 a board did not confirm its new program (--expect), 130/143 interrupted/terminated. With "
    "several ports: the code of the first port that "
    "did not succeed.\n\n"
    "Boot loaders that ask for the next file after each one (batch receivers such as "
    "U-Boot's loady and lrzsz's rb) want --count 1 --end-session. A receiver that asks with "
    "G gets YMODEM-G: the blocks stream without acknowledgements, and its CAN CAN stops them.";

std::optional<int> WholeNumber(const std::string& text, int least) {
    int value = 0;
    const char* end = text.data() + text.size();
    const char* first = text.data();
    if (first != end && *first == '+') ++first;  // as a number may be written
    const auto [stop, error] = std::from_chars(first, end, value);
    if (first == end || error != std::errc() || stop != end || value < least) return std::nullopt;
    return value;
}

// CLI11 builds its usage line from the options, and cannot say that every positional but the
// last is a port: the help starts with the program's own line instead, and the positionals'
// row reads as that line does.
class SendHelpFormatter final : public CLI::Formatter {
public:
    std::string make_description(const CLI::App*) const override { return {}; }
    std::string make_usage(const CLI::App* app, std::string) const override {
        return std::string(kUsage) + "\n\n" + app->get_description() + "\n";
    }
    std::string make_option_opts(const CLI::Option* option) const override {
        if (option->get_positional()) return option->get_option_text();
        return CLI::Formatter::make_option_opts(option);
    }
};

ParsedSendOptions Refuse(const std::string& error) {
    return {std::nullopt, error, std::nullopt};
}

std::optional<std::string> RepeatedPort(const std::vector<std::string>& ports) {
    for (auto port = ports.begin(); port != ports.end(); ++port) {
        if (std::find(port + 1, ports.end(), *port) != ports.end()) return *port;
    }
    return std::nullopt;
}

}  // namespace

ParsedSendOptions CheckSendOptions(const SendCommandLine& line) {
    if (line.Positional.size() < 2) return Refuse("expected a PORT and a FILE");
    const std::vector<std::string> ports(line.Positional.begin(), line.Positional.end() - 1);
    // Two transfers on one line would answer each reply twice.
    if (const auto twice = RepeatedPort(ports)) {
        return Refuse("the port " + *twice + " is named twice");
    }
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
    std::optional<int> eraseMs;
    if (!line.EraseTimeout.empty()) {
        eraseMs = WholeNumber(line.EraseTimeout, 1);
        if (!eraseMs || *eraseMs > kMostEraseMs) {
            return Refuse("--erase-timeout takes milliseconds from 1 to 600000, not '" +
                          line.EraseTimeout + "'");
        }
    }
    if (line.LogFileGiven && line.Log.empty()) return Refuse("--log needs a file name");
    std::optional<std::regex> expect;
    if (line.ExpectGiven) {
        // Waiting for the program's output would swallow the C the batch's end answers.
        if (line.EndSession) return Refuse("--expect cannot be used with --end-session");
        try {
            expect.emplace(line.Expect, std::regex::ECMAScript);
        } catch (const std::regex_error& error) {
            return Refuse("--expect takes a regular expression (ECMAScript): '" + line.Expect +
                          "' is none (" + error.what() + ")");
        }
    }
    int expectSeconds = SendOptions().ExpectTimeoutSeconds;
    if (!line.ExpectTimeout.empty()) {
        if (!expect) return Refuse("--expect-timeout goes with --expect");
        const auto seconds = WholeNumber(line.ExpectTimeout, 1);
        if (!seconds || *seconds > kMostExpectSeconds) {
            return Refuse("--expect-timeout takes seconds from 1 to 600, not '" +
                          line.ExpectTimeout + "'");
        }
        expectSeconds = *seconds;
    }
    SendOptions options;
    options.Ports = ports;
    options.File = ToNativeSeparators(line.Positional.back());
    options.Baud = *baud;
    options.Count = *transfers;
    options.TimeoutSeconds = *seconds;
    options.Quiet = line.Quiet;
    options.EndSession = line.EndSession;
    options.WaitPort = line.WaitPort;
    options.EraseTimeoutMs = eraseMs;
    options.LogFile = line.Log;
    options.Expect = std::move(expect);
    options.ExpectTimeoutSeconds = expectSeconds;
    return {options, {}, std::nullopt};
}

ParsedSendOptions ParseSendCommandLine(const std::vector<std::string>& arguments) {
    SendCommandLine line;
    CLI::App app(kDescription, "ymodem-send");
    app.footer(kFooter);
    app.formatter(std::make_shared<SendHelpFormatter>());
    app.set_version_flag("-v,--version", YMODEM_VERSION);
    app.add_option("--baud", line.Baud,
                   "Baud rate: any rate the port takes, such as 115200, 460800 or 921600 "
                   "(default 115200).")
        ->type_name("RATE");
    app.add_option("--count", line.Count,
                   "Exit after N finished transfers (0: serve for ever; default 1).")
        ->type_name("N");
    app.add_option("--timeout", line.Timeout, "Exit 4 when not done after this many seconds.")
        ->type_name("SECONDS");
    app.add_flag("--quiet", line.Quiet,
                 "No progress bar on the terminal, and no 'PORT: N flashed, M failed' lines "
                 "at the end. Status lines and error messages are printed all the same.");
    app.add_flag("--end-session", line.EndSession,
                 "After the last of --count transfers, answer the device's next C with the "
                 "empty block 0 that ends a YMODEM batch (at most 5 s later).");
    app.add_flag("--wait-port", line.WaitPort,
                 "Wait for a port that is not there (a USB boot loader that has not come up "
                 "yet), and for a port that goes away, then open it again.");
    app.add_option("--erase-timeout", line.EraseTimeout,
                   "Wait this long for the device to answer block 0, for boot loaders that "
                   "erase their flash first (1 to 600000; default: the usual 2000 ms).")
        ->type_name("MS");
    app.add_option("--log", line.Log,
                   "Append a record of every transfer to FILE: JSON Lines, or CSV when the "
                   "name ends in .csv.")
        ->type_name("FILE")
        ->each([&line](const std::string&) { line.LogFileGiven = true; });
    app.add_option("--expect", line.Expect,
                   "After each finished transfer, read what the board prints until a line "
                   "matches REGEX (ECMAScript), such as the new program's banner; the record "
                   "keeps the line. No such line in time, or the boot loader's C instead: the "
                   "transfer is unverified, and the run ends 7.")
        ->type_name("REGEX")
        ->each([&line](const std::string&) { line.ExpectGiven = true; });
    app.add_option("--expect-timeout", line.ExpectTimeout,
                   "How long --expect waits for the line (1 to 600; default 10).")
        ->type_name("SECONDS");
    app.add_option(
           "PORT", line.Positional,
           "PORT: a port name as the window lists it, or a device path; several ports "
           "are flashed side by side. FILE: the burn file, up to 256 MiB (268435456 bytes).")
        ->option_text("... FILE");

    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        return {std::nullopt, {}, app.help()};
    } catch (const CLI::CallForVersion&) {
        return {std::nullopt, {}, std::string(YMODEM_VERSION) + "\n"};
    } catch (const CLI::ParseError& error) {
        return Refuse(error.what());
    }
    return CheckSendOptions(line);
}

std::optional<int> AnswerCommandLine(const ParsedSendOptions& parsed) {
    if (parsed.Answer) {
        WriteText(stdout, *parsed.Answer);
        return kExitDone;
    }
    if (!parsed.Options) {
        PrintText(stderr, "ymodem-send: %s\nTry 'ymodem-send --help'.\n", parsed.Error.c_str());
        return kExitUsage;
    }
    return std::nullopt;
}

}  // namespace ymodem
