#include "CommandLine.h"

#include <array>
#include <charconv>
#include <limits>

namespace ymodem {

namespace {

using Setter = std::optional<std::string> (*)(DevsimOptions&, std::string_view);

struct ValueOption {
    std::string_view Name;
    Setter Set;
};

std::optional<std::int64_t> ParseNumber(std::string_view text, std::int64_t min, std::int64_t max) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// Stores a whole number between min and max through store, or says what was wrong.
template <std::int64_t Min, std::int64_t Max, typename Store>
std::optional<std::string> SetNumber(std::string_view name, std::string_view text, Store store) {
    const auto value = ParseNumber(text, Min, Max);
    if (!value) {
        return std::string(name) + " wants a whole number from " + std::to_string(Min) + " to " +
               std::to_string(Max) + ", not '" + std::string(text) + "'";
    }
    store(*value);
    return std::nullopt;
}

constexpr std::int64_t kManyMs = 3'600'000;
constexpr std::int64_t kManyBlocks = 1'000'000;

std::optional<std::string> SetName(DevsimOptions& o, std::string_view text) {
    if (text.empty() || text == "." || text == ".." || text.find('/') != text.npos) {
        return "--name wants a plain file name, not '" + std::string(text) + "'";
    }
    o.LinkName = text;
    return std::nullopt;
}

std::optional<std::string> SetLoader(DevsimOptions& o, std::string_view text) {
    if (text == "plain") {
        o.Receiver.Loader = LoaderKind::Plain;
    } else if (text == "iap") {
        o.Receiver.Loader = LoaderKind::Iap;
    } else {
        return "--loader wants plain or iap, not '" + std::string(text) + "'";
    }
    return std::nullopt;
}

constexpr std::array<ValueOption, 14> kValueOptions = {{
    {"--port",
     [](DevsimOptions& o, std::string_view v) -> std::optional<std::string> {
         o.Port = std::string(v);
         return std::nullopt;
     }},
    {"--name", SetName},
    {"--loader", SetLoader},
    {"--output",
     [](DevsimOptions& o, std::string_view v) -> std::optional<std::string> {
         o.Output = std::string(v);
         return std::nullopt;
     }},
    {"--expect",
     [](DevsimOptions& o, std::string_view v) -> std::optional<std::string> {
         o.Expect = std::string(v);
         return std::nullopt;
     }},
    {"--timing",
     [](DevsimOptions& o, std::string_view v) -> std::optional<std::string> {
         o.Timing = std::string(v);
         return std::nullopt;
     }},
    {"--count",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<1, kManyBlocks>("--count", v,
                                          [&](auto n) { o.Receiver.Count = static_cast<int>(n); });
     }},
    {"--gap",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<0, kManyMs>(
             "--gap", v, [&](auto n) { o.Receiver.Gap = std::chrono::milliseconds{n}; });
     }},
    {"--timeout",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<0, kManyMs>("--timeout", v,
                                      [&](auto n) { o.Timeout = std::chrono::seconds{n}; });
     }},
    {"--split-reply",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<0, kManyMs>("--split-reply", v, [&](auto n) {
             o.Receiver.SplitReply = std::chrono::milliseconds{n};
         });
     }},
    {"--erase-ms",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<0, kManyMs>("--erase-ms", v, [&](auto n) {
             o.Receiver.EraseTime = std::chrono::milliseconds{n};
         });
     }},
    {"--nak-at",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<0, kManyBlocks>("--nak-at", v,
                                          [&](auto n) { o.Receiver.NakAt = static_cast<int>(n); });
     }},
    {"--silent-after",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<0, kManyBlocks>(
             "--silent-after", v, [&](auto n) { o.Receiver.SilentAfter = static_cast<int>(n); });
     }},
    {"--line-rate",
     [](DevsimOptions& o, std::string_view v) {
         return SetNumber<1, std::numeric_limits<std::int32_t>::max()>(
             "--line-rate", v, [&](auto n) { o.LineRate = static_cast<std::uint32_t>(n); });
     }},
}};

const ValueOption* FindValueOption(std::string_view name) {
    for (const ValueOption& option : kValueOptions) {
        if (option.Name == name) return &option;
    }
    return nullptr;
}

CommandLine Fail(std::string error) {
    CommandLine line;
    line.What = CommandLine::Action::Fail;
    line.Error = std::move(error);
    return line;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            line.What = CommandLine::Action::Help;
            return line;
        }
        if (name == "--version") {
            line.What = CommandLine::Action::Version;
            return line;
        }
        if (name == "--no-link" || name == "--garbage" || name == "--replug") {
            if (inlineValue) return Fail(std::string(name) + " takes no value");
            if (name == "--no-link") {
                line.Options.Link = false;
            } else if (name == "--replug") {
                line.Options.Replug = true;
            } else {
                line.Options.Receiver.Garbage = true;
            }
            continue;
        }
        const ValueOption* option = FindValueOption(name);
        if (option == nullptr) return Fail("unknown option '" + std::string(args[i]) + "'");
        if (!inlineValue) {
            if (i + 1 == args.size()) return Fail(std::string(name) + " wants a value");
            inlineValue = args[++i];
        }
        if (auto error = option->Set(line.Options, *inlineValue)) return Fail(*error);
    }
    return line;
}

std::string UsageText() {
    return R"(Usage: ymodem-devsim [options]

A virtual boot loader: the receiving side of YMODEM on a pseudo-terminal, for demos, tests
and benchmarks of ymodem-burner. Prints "port: PATH" first; a sender opens PATH.

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
  --count N           transfers to take before exiting (default 1)
  --gap MS            quiet time after a transfer before asking again (default 500)
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
3 line or file error, 4 timeout, 5 the session was aborted (by the sender, or by the iap
loader after 5 s of silence), 130 SIGINT, 143 SIGTERM.
)";
}

}  // namespace ymodem
