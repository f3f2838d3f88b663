// GoogleTest under a QCoreApplication: in-process simulators and child processes need its event loop.
#include <gtest/gtest.h>
#include <QtCore/QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
