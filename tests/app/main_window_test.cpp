#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "resources/resources.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

// Makes a temporary folder the program directory, so the trace file the window opens is the test's.
class ProgramDirectoryScope {
public:
    explicit ProgramDirectoryScope(const std::string& dir) { platform::setProgramDirectory(dir); }
    ~ProgramDirectoryScope() {
        engine::closeTraceFile();
        platform::setProgramDirectory("");
    }
    ProgramDirectoryScope(const ProgramDirectoryScope&) = delete;
    ProgramDirectoryScope& operator=(const ProgramDirectoryScope&) = delete;
};

TEST(MainWindow, OpensWithTitleAndOutputFromConfig) {
    test::TempDir dir;
    const ProgramDirectoryScope scope(dir.path());
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

TEST(MainWindow, ListsTheProfilesAndRemembersTheChoice) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("profiles"));
    test::writeFile(dir.file("profiles/a.pf"), "[Main]\nName=First\n");
    test::writeFile(dir.file("profiles/b.pf"), "[Main]\nName=Second\n");
    test::writeFile(dir.file("config.ini"), "[Config]\nProfileID=1\n");
    {
        const ProgramDirectoryScope scope(dir.path());
        MainWindow window(dir.path() + "/");
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("profileCombo"));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->count(), 2);
        EXPECT_EQ(combo->currentText(), QStringLiteral("Second"));
        EXPECT_EQ(window.currentProfileName(), "Second");
        combo->setCurrentIndex(0);
        EXPECT_EQ(window.currentProfileName(), "First");
        EXPECT_FALSE(window.findChild<QCheckBox*>(QStringLiteral("shutdownCheck"))->isChecked());
        EXPECT_TRUE(window.findChild<QCheckBox*>(QStringLiteral("openFolderCheck"))->isChecked());
        EXPECT_TRUE(test::fileExists(dir.file("trace.flt"))) << "the trace file is opened with the window";
    }
    EXPECT_NE(test::readFile(dir.file("config.ini")).find("ProfileID=0"), std::string::npos);
}

} // namespace
} // namespace morvane::app
