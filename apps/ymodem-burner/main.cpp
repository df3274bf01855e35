#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "DiskBurnFileSource.h"
#include "Form1.h"
#include "QtSerialControl.h"

namespace {

// Renders the window after start-up into a PNG, as a user would see it.
int SaveScreenshot(ymodem::Form1& form, const QString& file) {
    form.show();
    QApplication::processEvents();
    return form.grab().save(file) ? 0 : 1;
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

    ymodem::QtSerialControl comm;
    ymodem::DiskBurnFileSource files;
    ymodem::Form1 form(comm, files);
    form.Load();
    if (parser.isSet(screenshot)) return SaveScreenshot(form, parser.value(screenshot));
    form.show();
    return QApplication::exec();
}
