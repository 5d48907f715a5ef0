#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    // The renderers draw with QPainter, which wants a GUI application; run
    // straight from a shell without a display, it gets the offscreen one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
