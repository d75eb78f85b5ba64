#include <QCoreApplication>

#include <gtest/gtest.h>

// Every test program runs with a Qt application object (the script engine
// and the text codecs need one).
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
