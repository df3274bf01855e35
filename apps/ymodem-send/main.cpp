#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <string>

#include "DiskBurnFileSource.h"
#include "HeadlessSender.h"
#include "QtSerialControl.h"
#include "SendOptions.h"
#include "StopSignals.h"
#include "Terminal.h"

#ifndef _WIN32
namespace {

// The command-line word that Qt decoded as text, as the bytes it was given in.
std::string RawArgument(int argc, char* argv[], const QString& decoded) {
    const QStringList words = QCoreApplication::arguments();
    for (int i = std::min<int>(argc, static_cast<int>(words.size())) - 1; i > 0; --i) {
        if (words[i] == decoded) return argv[i];
    }
    return decoded.toStdString();
}

}  // namespace
#endif

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ymodem-send");
    QCoreApplication::setApplicationVersion(YMODEM_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Flashes FILE into the boot loader on PORT over YMODEM: every C the device sends while "
        "idle starts a transfer. Each status text is printed as one line.\n\n"
        "Exit codes: 0 done, 1 bad command line, 2 the file cannot be loaded, 3 the port cannot "
        "be opened, 4 timed out, 5 the port was lost, 130/143 interrupted/terminated.\n\n"
        "Boot loaders that ask for the next file after each one (batch receivers such as "
        "U-Boot's loady and lrzsz's rb) want --count 1 --end-session.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption baud(
        "baud", "Baud rate: any rate the port takes, such as 115200, 460800 or 921600.", "rate",
        "115200");
    const QCommandLineOption count("count", "Exit after N finished transfers (0: serve for ever).",
                                   "N", "1");
    const QCommandLineOption timeout("timeout", "Exit 4 when not done after this many seconds.",
                                     "seconds", "0");
    const QCommandLineOption quiet("quiet", "No progress bar on the terminal.");
    const QCommandLineOption endSession(
        "end-session",
        "After the last of --count transfers, answer the device's next C with the empty block 0 "
        "that ends a YMODEM batch (at most 5 s later).");
    parser.addOptions({baud, count, timeout, quiet, endSession});
    parser.addPositionalArgument("PORT", "A port name as the window lists it, or a device path.");
    parser.addPositionalArgument("FILE", "The burn file, at most 32767 bytes.");
    parser.process(app);

    ymodem::SendCommandLine line;
    line.Positional = parser.positionalArguments();
    line.Baud = parser.value(baud);
    line.Count = parser.value(count);
    line.Timeout = parser.value(timeout);
    line.Quiet = parser.isSet(quiet);
    line.EndSession = parser.isSet(endSession);
    auto parsed = ymodem::CheckSendOptions(line);
    if (!parsed.Options) {
        std::fprintf(stderr, "ymodem-send: %s\nTry 'ymodem-send --help'.\n",
                     parsed.Error.toUtf8().constData());
        return ymodem::kExitUsage;
    }
#ifndef _WIN32
    // A file name is bytes here, and names from another system's archive need not be text
    // in ours: the name goes to the file system and into block 0 exactly as it was given.
    parsed.Options->File = RawArgument(argc, argv, line.Positional.back());
#endif

    ymodem::QtSerialControl comm;
    ymodem::DiskBurnFileSource files;
    const bool showBar = !parsed.Options->Quiet && ymodem::IsTerminal(stderr);
    ymodem::HeadlessSender sender(comm, files, *parsed.Options, stdout, stderr, showBar);
    ymodem::StopSignals stops;
    QObject::connect(&stops, &ymodem::StopSignals::StopRequested, &app, [&](int exitCode) {
        sender.Interrupt();
        QCoreApplication::exit(exitCode);
    });
    QObject::connect(&sender, &ymodem::HeadlessSender::Finished, &app, &QCoreApplication::exit);
    if (const auto early = sender.Start()) return *early;
    return QCoreApplication::exec();
}
