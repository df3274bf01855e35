#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <string>
#include <vector>

#include "DiskBurnFileSource.h"
#include "HeadlessSender.h"
#include "QtPortFactory.h"
#include "SendOptions.h"
#include "StopSignals.h"
#include "Terminal.h"

int main(int argc, char* argv[]) {
    // A file name is bytes here, and names from another system's archive need not be text
    // in ours: the name goes to the file system and into block 0 exactly as it was given.
    const auto parsed = ymodem::ParseSendCommandLine(std::vector<std::string>(argv, argv + argc));
    if (const auto ended = ymodem::AnswerCommandLine(parsed)) return *ended;

    QCoreApplication app(argc, argv);
    ymodem::QtPortFactory ports;
    ymodem::DiskBurnFileSource files;
    const bool showBar = !parsed.Options->Quiet && ymodem::IsTerminal(stderr);
    ymodem::HeadlessSender sender(ports, files, *parsed.Options, stdout, stderr, showBar);
    sender.OnFinished([](int exitCode) { QCoreApplication::exit(exitCode); });

    ymodem::StopSignals stops;
    QSocketNotifier stopRequests(stops.Handle(), QSocketNotifier::Read);
    QObject::connect(&stopRequests, &QSocketNotifier::activated, [&] {
        if (const auto exitCode = stops.TakeRequest()) {
            sender.Interrupt();
            QCoreApplication::exit(*exitCode);
        }
    });
    if (const auto early = sender.Start()) return *early;
    return QCoreApplication::exec();
}
