#include <iostream>
#include <string_view>
#include <vector>

#include "CommandLine.h"
#include "DevsimApp.h"

#ifndef YMODEM_VERSION
#define YMODEM_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ymodem::CommandLine line = ymodem::ParseCommandLine(args);
    switch (line.What) {
        case ymodem::CommandLine::Action::Help:
            std::cout << ymodem::UsageText();
            return ymodem::kExitOk;
        case ymodem::CommandLine::Action::Version:
            std::cout << "ymodem-devsim " << YMODEM_VERSION << '\n';
            return ymodem::kExitOk;
        case ymodem::CommandLine::Action::Fail:
            std::cerr << "ymodem-devsim: " << line.Error << "\n\n" << ymodem::UsageText();
            return ymodem::kExitBadArguments;
        case ymodem::CommandLine::Action::Run:
            break;
    }
    return ymodem::DevsimApp(std::move(line.Options)).Run();
}
