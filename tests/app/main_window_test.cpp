#include "app/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "resources/resources.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "morvane_app_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    resources::initialise();
    return app;
}

TEST(MainWindow, OpensWithTitleAndOutputFromConfig) {
    application();
    test::TempDir dir;
    {
        MainWindow window(dir.path() + "/");
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillon Video Converter 1.0.1"));
        EXPECT_FALSE(window.outputText().isEmpty());
        EXPECT_EQ(window.outputText().toStdString(), defaultOutputFolder());
        EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull()) << "the window icon must render";
    }
    test::writeFile(dir.file("config.ini"),
                    "[Config]\nSoftName=" + std::string(200, 'S') + "\nversion=2.5\nOutput=/srv/converted\n");
    MainWindow window(dir.path() + "/");
    EXPECT_EQ(window.windowTitle().toStdString(), std::string(127, 'S') + " 2.5");
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("outputEdit"))->text(),
              QStringLiteral("/srv/converted"));
}

} // namespace
} // namespace morvane::app
