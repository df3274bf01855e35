#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "DiskBurnFileSource.h"
#include "HeadlessSender.h"
#include "SendOptions.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "WideText_win.h"
#include "Win32EventLoop.h"
#include "Win32PortFactory.h"

namespace {

// Windows hands the command line over as UTF-16; the rest of the program speaks UTF-8.
std::vector<std::string> Utf8Arguments(int argc, wchar_t* argv[]) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(ymodem::BytesFromWide(argv[i], CP_UTF8));
    return arguments;
}

int Send(const ymodem::ParsedSendOptions& parsed) {
    ymodem::Win32EventLoop loop(ymodem::Win32EventLoop::Waits::kCompletionsOnly);
    ymodem::Win32PortFactory ports(loop);
    ymodem::DiskBurnFileSource files;
    const bool showBar = !parsed.Options->Quiet && ymodem::IsTerminal(stderr);
    ymodem::HeadlessSender sender(ports, files, *parsed.Options, stdout, stderr, showBar);
    sender.OnFinished([&loop](int exitCode) { loop.Quit(exitCode); });

    ymodem::StopSignals stops;
    loop.Watch(stops.Handle(), [&] {
        if (const auto exitCode = stops.TakeRequest()) {
            sender.Interrupt();
            stops.Done();
            loop.Quit(*exitCode);
        }
    });
    if (const auto early = sender.Start()) return *early;
    return loop.Run();
}

}  // namespace

// A system that gives the event loop no event or timer ends the run with the reason.
int wmain(int argc, wchar_t* argv[]) {
    const auto parsed = ymodem::ParseSendCommandLine(Utf8Arguments(argc, argv));
    if (const auto ended = ymodem::AnswerCommandLine(parsed)) return *ended;
    try {
        return Send(parsed);
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "ymodem-send: %s\n", error.what());
        return 1;
    }
}
