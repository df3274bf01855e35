#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Widgets need an application object; without a display the offscreen platform serves.
// The settings and the ports folder of every test live in a folder of the run's own.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
