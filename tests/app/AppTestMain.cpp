// Windows under test run offscreen, on loopback and on an ephemeral local port, so that parallel
// tests never fight over the device protocol's port.
#include <gtest/gtest.h>

#include <QtWidgets/QApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("TAVREL_BROADCAST")) qputenv("TAVREL_BROADCAST", "127.255.255.255");
    qputenv("TAVREL_LOCAL_PORT", "0");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
