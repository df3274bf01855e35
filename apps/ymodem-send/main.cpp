#include <QCommandLineParser>
#include <QCoreApplication>

#include "DiskBurnFileSource.h"
#include "HeadlessSender.h"
#include "QtSerialControl.h"
#include "SendOptions.h"
#include "StopSignals.h"
#include "Terminal.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ymodem-send");
    QCoreApplication::setApplicationVersion(YMODEM_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Flashes FILE into the boot loader on PORT over YMODEM: every C the device sends while "
        "idle starts a transfer. Each status text is printed as one line.\n\n"
        "Exit codes: 0 done, 1 bad command line, 2 the file cannot be loaded, 3 the port cannot "
        "be opened, 4 timed out, 5 the port was lost, 130/143 interrupted/terminated.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption baud("baud", "Baud rate: 9600, 19200, 38400, 57600 or 115200.", "rate",
                                  "115200");
    const QCommandLineOption count("count", "Exit after N finished transfers (0: serve for ever).",
                                   "N", "1");
    const QCommandLineOption timeout("timeout", "Exit 4 when not done after this many seconds.",
                                     "seconds", "0");
    const QCommandLineOption quiet("quiet", "No progress bar on the terminal.");
    parser.addOptions({baud, count, timeout, quiet});
    parser.addPositionalArgument("PORT", "A port name as the window lists it, or a device path.");
    parser.addPositionalArgument("FILE", "The burn file, at most 32767 bytes.");
    parser.process(app);

    const auto parsed =
        ymodem::CheckSendOptions(parser.positionalArguments(), parser.value(baud),
                                 parser.value(count), parser.value(timeout), parser.isSet(quiet));
    if (!parsed.Options) {
        std::fprintf(stderr, "ymodem-send: %s\nTry 'ymodem-send --help'.\n",
                     parsed.Error.toUtf8().constData());
        return ymodem::kExitUsage;
    }

    ymodem::QtSerialControl comm;
    ymodem::DiskBurnFileSource files;
    const bool showBar = !parsed.Options->Quiet && ymodem::IsTerminal(stderr);
    ymodem::HeadlessSender sender(comm, files, *parsed.Options, stdout, stderr, showBar);
    ymodem::StopSignals stops;
    QObject::connect(&stops, &ymodem::StopSignals::StopRequested, &app, [&](int exitCode) {
        sender.Stop();
        QCoreApplication::exit(exitCode);
    });
    QObject::connect(&sender, &ymodem::HeadlessSender::Finished, &app, &QCoreApplication::exit);
    if (const auto early = sender.Start()) return *early;
    return QCoreApplication::exec();
}
