#include <QApplication>

#include <gtest/gtest.h>

// Widget test programs run with a full application object. Without a chosen
// platform they draw offscreen, so they behave the same with or without a
// display.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
