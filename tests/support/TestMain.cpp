#include <QCoreApplication>
#include <gtest/gtest.h>

// Tests that need Qt's event loop (the serial port, pseudo-terminals) share one application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
