#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <vector>

#include <CLI/CLI.hpp>

namespace ymodem {

namespace {

constexpr std::int64_t kManyMs = 3'600'000;
constexpr std::int64_t kManyBlocks = 1'000'000;

std::optional<std::int64_t> ParseNumber(std::string_view text, std::int64_t min, std::int64_t max) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// An option's value as given, checked once the whole line is split: each check gives
// what was wrong, or nothing.
struct TextOption {
    std::string Name;
    std::string Text;
    bool Given = false;
    std::function<std::optional<std::string>(const std::string&)> Check;
};

// A whole number between min and max, stored through store.
template <typename Store>
std::function<std::optional<std::string>(const std::string&)> Number(std::string name,
                                                                     std::int64_t min,
                                                                     std::int64_t max,
                                                                     Store store) {
    return [=](const std::string& text) -> std::optional<std::string> {
        const auto value = ParseNumber(text, min, max);
        if (!value) {
            return name + " wants a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max) + ", not '" + text + "'";
        }
        store(*value);
        return std::nullopt;
    };
}

std::optional<std::string> SetName(DevsimOptions& o, const std::string& text) {
    if (text.empty() || text == "." || text == ".." || text.find('/') != text.npos) {
        return "--name wants a plain file name, not '" + text + "'";
    }
    o.LinkName = text;
    return std::nullopt;
}

std::optional<std::string> SetLoader(DevsimOptions& o, const std::string& text) {
    if (text == "plain") {
        o.Receiver.Loader = LoaderKind::Plain;
    } else if (text == "iap") {
        o.Receiver.Loader = LoaderKind::Iap;
    } else {
        return "--loader wants plain or iap, not '" + text + "'";
    }
    return std::nullopt;
}

std::vector<TextOption> ValueOptions(DevsimOptions& o) {
    const auto text = [](std::optional<std::string>& field) {
        return [&field](const std::string& v) -> std::optional<std::string> {
            field = v;
            return std::nullopt;
        };
    };
    const auto ms = [](auto& field) {
        return [&field](std::int64_t n) { field = std::remove_reference_t<decltype(field)>(n); };
    };
    return {
        {"--port", {}, false, text(o.Port)},
        {"--name", {}, false, [&o](const std::string& v) { return SetName(o, v); }},
        {"--loader", {}, false, [&o](const std::string& v) { return SetLoader(o, v); }},
        {"--output", {}, false, text(o.Output)},
        {"--expect", {}, false, text(o.Expect)},
        {"--timing", {}, false, text(o.Timing)},
        {"--banner", {}, false, text(o.Receiver.Banner)},
        {"--banner-delay",
         {},
         false,
         Number("--banner-delay", 0, kManyMs, ms(o.Receiver.BannerDelay))},
        {"--count",
         {},
         false,
         Number("--count", 1, kManyBlocks,
                [&o](std::int64_t n) { o.Receiver.Count = static_cast<int>(n); })},
        {"--gap", {}, false, Number("--gap", 0, kManyMs, ms(o.Receiver.Gap))},
        {"--timeout", {}, false, Number("--timeout", 0, kManyMs, ms(o.Timeout))},
        {"--split-reply",
         {},
         false,
         Number("--split-reply", 0, kManyMs, ms(o.Receiver.SplitReply))},
        {"--erase-ms", {}, false, Number("--erase-ms", 0, kManyMs, ms(o.Receiver.EraseTime))},
        {"--nak-at",
         {},
         false,
         Number("--nak-at", 0, kManyBlocks,
                [&o](std::int64_t n) { o.Receiver.NakAt = static_cast<int>(n); })},
        {"--silent-after",
         {},
         false,
         Number("--silent-after", 0, kManyBlocks,
                [&o](std::int64_t n) { o.Receiver.SilentAfter = static_cast<int>(n); })},
        {"--line-rate",
         {},
         false,
         Number("--line-rate", 1, std::numeric_limits<std::int32_t>::max(),
                [&o](std::int64_t n) { o.LineRate = static_cast<std::uint32_t>(n); })},
    };
}

CommandLine Fail(std::string error) {
    CommandLine line;
    line.What = CommandLine::Action::Fail;
    line.Error = std::move(error);
    return line;
}

// CLI11 names the option in front of a colon or as the first word.
std::string OptionNamed(const std::string& message) {
    const std::size_t start = message.find("--");
    if (start == std::string::npos) return {};
    const std::size_t end = message.find_first_of(": =", start);
    return message.substr(start, end == std::string::npos ? end : end - start);
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
    CommandLine line;
    CLI::App app("ymodem-devsim", "ymodem-devsim");
    app.set_help_flag("-h,--help");
    app.allow_extras();
    bool version = false;
    app.add_flag("--version", version);
    const std::vector<std::string> flags = {"--no-link", "--garbage", "--replug", "--ymodem-g"};
    bool noLink = false;
    app.add_flag("--no-link", noLink)->disable_flag_override();
    app.add_flag("--garbage", line.Options.Receiver.Garbage)->disable_flag_override();
    app.add_flag("--replug", line.Options.Replug)->disable_flag_override();
    app.add_flag("--ymodem-g", line.Options.Receiver.Streamed)->disable_flag_override();
    std::vector<TextOption> options = ValueOptions(line.Options);
    for (TextOption& option : options) {
        app.add_option(option.Name, option.Text)->each([&option](const std::string&) {
            option.Given = true;
        });
    }

    std::vector<std::string> argv{"ymodem-devsim"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<const char*> pointers;
    for (const std::string& argument : argv) pointers.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp&) {
        line.What = CommandLine::Action::Help;
        return line;
    } catch (const CLI::ArgumentMismatch& error) {
        const std::string name = OptionNamed(error.what());
        const bool flag = std::find(flags.begin(), flags.end(), name) != flags.end();
        return Fail(name + (flag ? " takes no value" : " wants a value"));
    } catch (const CLI::ParseError& error) {
        return Fail(error.what());
    }
    if (version) {
        line.What = CommandLine::Action::Version;
        return line;
    }
    if (!app.remaining().empty()) return Fail("unknown option '" + app.remaining().front() + "'");
    line.Options.Link = !noLink;
    for (const TextOption& option : options) {
        if (!option.Given) continue;
        if (auto error = option.Check(option.Text)) return Fail(*error);
    }
    return line;
}
std::string UsageText() {
    return R"(Usage: ymodem-devsim [options]

A virtual boot loader: the receiving side of YMODEM on a pseudo-terminal, for demos, tests
and benchmarks of ymodem-burner. Prints "port: PATH" first; a sender opens PATH. It takes
images up to 256 MiB, with block numbers that wrap past 255.

Line:
  --port PATH         use an existing tty (raw, 8N1) instead of a new pseudo-terminal
  --name NAME         link name in the ports folder (default virtual0)
  --no-link           do not offer the pseudo-terminal in the ports folder
  --line-rate BAUD    keep the pace of a real 8N1 line at BAUD
  --replug            after each transfer, close the pseudo-terminal and offer a new one
                      under the same name in the ports folder, as a USB CDC boot loader
                      comes back as a new device after its reset (prints "port: PATH" again)
Transfers:
  --loader KIND       plain (default): asks with C until --count transfers are done, and
                      answers an EOT with ACK C; iap: a vendor IAP boot loader, which erases
                      its flash for every block 0 with a name, asks for the next file with
                      C once a second after an EOT, ends its session on an empty block 0,
                      and aborts it with CAN CAN after 5 s without a byte; --count and
                      --gap do not apply to it
  --output PATH       save each image to PATH, or into PATH under its own name if a folder
  --expect FILE       compare each image with FILE and print "verify: OK" or "verify: MISMATCH"
  --timing FILE       log every read and write: "NS r|w COUNT HEX", NS the monotonic clock
                      in nanoseconds when the bytes were taken or handed over, HEX the
                      first bytes (up to 8)
  --ymodem-g          ask with G for YMODEM-G: the blocks stream unacknowledged; a broken
                      stream (or the block of --nak-at) is cancelled with CAN CAN
  --count N           transfers to take before exiting (default 1)
  --gap MS            quiet time after a transfer before asking again (default 500)
  --banner TEXT       a board that starts its new program: after the EOT's ACK, print TEXT
                      and a line break (nothing when TEXT is empty) instead of asking with C,
                      and ask again only after the gap that follows it; plain loader only
  --banner-delay MS   print the banner MS after the ACK (default 0: in the ACK's own write)
  --erase-ms MS       erase the flash for MS before answering a block 0 with a name
  --timeout SECONDS   give up after SECONDS (default 0: never)
Faults, each once per run:
  --nak-at N          reject block N (0 = block 0) the first time it arrives
  --silent-after N    after block N say nothing for 3 s, then ask again
  --split-reply MS    answer block 0 with ACK, and C as a second write MS later
  --garbage           write stray bytes while waiting between C's
  --help, --version

The ports folder is $XDG_CONFIG_HOME/ymodem-burner/ports (default ~/.config/...); the link
is removed on exit. With --port no link is made: the sender needs the other end of that line.

Two CANs from the sender between frames are its abort: the device reports it and ends.

Exit status: 0 all transfers done, 1 a verify mismatch, 2 bad arguments or --expect file,
3 line or file error, 4 timeout, 5 the session was aborted (by the sender, by the iap
loader after 5 s of silence, or by a YMODEM-G device on a broken stream), 130 SIGINT, 143 SIGTERM.
)";
}

}  // namespace ymodem
