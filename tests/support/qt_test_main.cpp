// The one main of every test executable that needs Qt Widgets: creates the application object once,
// registers the program's pictures and hands over to GoogleTest.
#include <QApplication>
#include <gtest/gtest.h>

#include <clocale>

#include "resources/resources.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests never need a real display (test discovery runs without one, too).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    // libmpv refuses to start under a numeric locale other than "C".
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();
    return RUN_ALL_TESTS();
}
