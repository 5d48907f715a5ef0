#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    // The renderers draw with QPainter, which wants a GUI application (offscreen in tests).
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
