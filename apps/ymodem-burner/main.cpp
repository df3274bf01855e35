#include <QApplication>
#include <QCommandLineParser>

#include "DiskBurnFileSource.h"
#include "QtForm1Window.h"
#include "QtSerialBackend.h"
#include "SerialControl.h"

namespace {

// Renders the window after start-up into a PNG, as a user would see it.
int SaveScreenshot(QWidget& window, const QString& file) {
    window.show();
    QApplication::processEvents();
    return window.grab().save(file) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("ymodem-burner");
    QApplication::setApplicationVersion(YMODEM_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Flashes a firmware image into a boot loader over YMODEM.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot("screenshot", "Save the window after start-up as a PNG.",
                                        "file");
    parser.addOption(screenshot);
    parser.process(app);

    ymodem::SerialControl comm(ymodem::QtSerialBackend::SystemNaming(),
                               std::make_unique<ymodem::QtSerialBackend>());
    ymodem::DiskBurnFileSource files;
    ymodem::QtForm1Window window(comm, files);
    window.Form().Form_Load();
    if (parser.isSet(screenshot)) return SaveScreenshot(window, parser.value(screenshot));
    window.show();
    return QApplication::exec();
}
