// The one main of every widget test: a QApplication on the offscreen platform, then GoogleTest.
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // Files are written with C-locale numbers whatever locale Qt picked up.
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
