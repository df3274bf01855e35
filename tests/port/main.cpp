#include <gtest/gtest.h>

#include <QCoreApplication>

// QSerialPort and the signal waits need an application object with an event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
