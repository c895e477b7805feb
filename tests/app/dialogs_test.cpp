#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/batch_view.h"
#include "app/configure_dialog.h"
#include "app/desktop_actions.h"
#include "app/window_services.h"
#include "preview/video_splitter_dialog.h"
#include "tests/app/batch_fakes.h"
#include "tests/support/test_support.h"
#include "widgets/hyperlink_static.h"

namespace morvane::app {
namespace {

class RecordingOpener final : public DesktopOpener {
public:
    bool openUrl(const QUrl& url) override {
        urls.push_back(url);
        return succeeds;
    }
    std::vector<QUrl> urls;
    bool succeeds = true;
};

using test::RecordingPrompts;

template <typename T>
T* child(const QWidget& parent, const char* name) {
    auto* found = parent.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Every caption fits its control, no two controls (frames aside) overlap, and all lie inside the dialog.
void expectUnclippedLayout(const QDialog& dialog) {
    SCOPED_TRACE(dialog.objectName().toStdString());
    const auto children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::vector<QWidget*> controls;
    for (auto* widget : children) {
        if (qobject_cast<QGroupBox*>(widget) || widget->isWindow()) {
            continue;
        }
        controls.push_back(widget);
        EXPECT_TRUE(dialog.rect().contains(widget->geometry())) << widget->objectName().toStdString();
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_GE(widget->width(), widget->sizeHint().width()) << widget->objectName().toStdString();
            EXPECT_GE(widget->height(), widget->sizeHint().height()) << widget->objectName().toStdString();
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " overlaps "
                << controls[j]->objectName().toStdString();
        }
    }
    for (auto* frame : dialog.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(dialog.rect().contains(frame->geometry()));
    }
}

// Runs the layout checks in the default font and in a large one.
template <typename MakeDialog>
void expectUnclippedInFonts(MakeDialog make) {
    const QFont original = QApplication::font();
    for (const int points : {0, 20}) {
        SCOPED_TRACE(points);
        if (points > 0) {
            QFont large = original;
            large.setPointSize(points);
            QApplication::setFont(large);
        }
        auto dialog = make();
        expectUnclippedLayout(*dialog);
    }
    QApplication::setFont(original);
}

TEST(ProcessCount, OnlyTheFirstCharacterCounts) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"2", 2}, {"12", 1}, {"4", 4}, {"9", 9}, {"0", 0}, {"", 0}, {"x3", 0}, {" 3", 0},
    };
    for (const auto& [text, count] : cases) {
        EXPECT_EQ(processCountFromText(text), count) << '"' << text << '"';
        // What a batch runs at once stays within the dialog's range whatever the box held.
        EXPECT_EQ(simultaneousConversions(count), std::clamp(count, 1, 4)) << '"' << text << '"';
    }
}

TEST(ProcessCount, SpinnerStaysBetweenOneAndFour) {
    struct Case {
        const char* box;
        int last;
        int steps;
        int result;
    };
    const std::vector<Case> cases = {
        {"2", 2, 1, 3},
        {"3", 2, -1, 2},
        {"4", 4, 1, 4},
        {"1", 1, -1, 1},
        {"12", 2, 1, 4}, // 12 is held at 4 first, so up stays at 4
        {"12", 2, -1, 3},
        {"0", 2, 1, 2},
        {"", 3, 1, 4},
        {"", 3, -1, 2},
        {"99999999999999999999", 1, -1, 3},
        {"2", 2, 1000, 4},
        {"2", 2, -1000, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(steppedProcessCount(c.box, c.last, c.steps), c.result)
            << '"' << c.box << "\" last " << c.last << " steps " << c.steps;
    }
}

TEST(ConfigureDialog, OkStoresTheFirstDigitAndTheShutdownChoiceCancelNothing) {
    ConfigureValues values;
    {
        ConfigureDialog dialog(values);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Configure"));
        auto* box = child<QLineEdit>(dialog, "countBox");
        EXPECT_EQ(box->text(), QStringLiteral("2"));
        EXPECT_FALSE(child<QCheckBox>(dialog, "shutdownCheck")->isChecked());
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1a2"));
        EXPECT_EQ(box->text(), QStringLiteral("12")) << "the box takes digits only";
        child<QCheckBox>(dialog, "shutdownCheck")->setChecked(true);
        child<QPushButton>(dialog, "okButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        values = dialog.values();
    }
    EXPECT_EQ(values.processCount, 1);
    EXPECT_TRUE(values.shutdownWhenDone);

    ConfigureDialog again(values);
    EXPECT_EQ(child<QLineEdit>(again, "countBox")->text(), QStringLiteral("1"))
        << "shows the confirmed values";
    EXPECT_TRUE(child<QCheckBox>(again, "shutdownCheck")->isChecked());
    child<QLineEdit>(again, "countBox")->setText(QStringLiteral("3"));
    child<QCheckBox>(again, "shutdownCheck")->setChecked(false);
    child<QPushButton>(again, "cancelButton")->click();
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(again.values().processCount, 1);
    EXPECT_TRUE(again.values().shutdownWhenDone);
}

TEST(ConfigureDialog, SpinnerAndArrowKeysStepTheBox) {
    ConfigureDialog dialog(ConfigureValues{});
    auto* box = child<QLineEdit>(dialog, "countBox");
    auto* spinner = child<QAbstractSpinBox>(dialog, "countSpinner");
    spinner->stepUp();
    EXPECT_EQ(box->text(), QStringLiteral("3"));
    spinner->stepUp();
    spinner->stepUp();
    EXPECT_EQ(box->text(), QStringLiteral("4"));
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->text(), QStringLiteral("3"));
    box->setText(QStringLiteral("12"));
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), QStringLiteral("4"));
    // The spinner sits against its box.
    EXPECT_EQ(spinner->geometry().left(), box->geometry().right() + 1);
    EXPECT_EQ(spinner->geometry().top(), box->geometry().top());
}

TEST(ConfigureDialog, CaptionsAreNeverClipped) {
    expectUnclippedInFonts([] { return std::make_unique<ConfigureDialog>(ConfigureValues{}); });
}

TEST(AboutDialog, ShowsNameVersionAndOpensItsLinks) {
    RecordingOpener opener;
    AboutDialog dialog("Quillon Video Converter", "1.0.1", opener);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(child<QLabel>(dialog, "productName")->text(), QStringLiteral("Quillon Video Converter"));
    EXPECT_EQ(child<QLabel>(dialog, "version")->text(), QStringLiteral("Version 1.0.1"));
    EXPECT_TRUE(child<QPushButton>(dialog, "okButton")->isDefault());
    EXPECT_FALSE(child<QLabel>(dialog, "icon")->pixmap().isNull());

    dialog.show();
    const std::vector<std::pair<const char*, const char*>> links = {
        {"homePageLink", kHomePageAddress},
        {"supportLink", kSupportPageAddress},
        {"updateLink", kDownloadPageAddress},
    };
    for (const auto& [name, address] : links) {
        auto* link = child<widgets::HyperlinkStatic>(dialog, name);
        EXPECT_EQ(link->address(), QString::fromUtf8(address));
        EXPECT_EQ(link->width(), link->sizeHint().width()) << name << ": only the text is clickable";
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, link->rect().center());
        ASSERT_FALSE(opener.urls.empty()) << name;
        EXPECT_EQ(opener.urls.back(), QUrl(QString::fromUtf8(address)));
        EXPECT_TRUE(link->isVisited());
    }
    EXPECT_EQ(opener.urls.size(), 3U);
    dialog.close();
}

TEST(AboutDialog, OpensWithOkFocusedSoEnterClosesItAndTabReachesTheLinks) {
    RecordingOpener opener;
    AboutDialog dialog("Quillon Video Converter", "1.0.1", opener);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* ok = child<QPushButton>(dialog, "okButton");
    EXPECT_EQ(QApplication::focusWidget(), ok);
    QTest::keyClick(ok, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(dialog, "homePageLink"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(opener.urls.size(), 1U) << "Enter on a focused link opens it";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), ok);
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(opener.urls.size(), 1U);
}

TEST(AboutDialog, ALinkThatDoesNotOpenSaysSo) {
    RecordingOpener opener;
    opener.succeeds = false;
    RecordingPrompts prompts;
    AboutDialog dialog("Quillon Video Converter", "1.0.1", opener, nullptr, &prompts);
    auto* link = child<widgets::HyperlinkStatic>(dialog, "supportLink");
    EXPECT_FALSE(link->open());
    EXPECT_FALSE(link->isVisited());
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].text, "Unable to open hyperlink:\n\nThere is no application "
                                        "associated\nwith the given filename extension.");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Warning);
}

TEST(AboutDialog, LongNamesAndMarkupStayWholeAndPlain) {
    RecordingOpener opener;
    AboutDialog dialog(std::string(127, 'S'), "<b>2.0</b>", opener);
    EXPECT_EQ(child<QLabel>(dialog, "productName")->text().size(), 127);
    EXPECT_EQ(child<QLabel>(dialog, "version")->text(), QStringLiteral("Version <b>2.0</b>"));
    EXPECT_EQ(child<QLabel>(dialog, "version")->textFormat(), Qt::PlainText);
    expectUnclippedLayout(dialog);
    expectUnclippedInFonts(
        [&] { return std::make_unique<AboutDialog>("Quillon Video Converter", "1.0.1", opener); });
}

TEST(Dialogs, TheGermanAndFrenchCaptionsFitToo) {
    const std::vector<std::pair<const char*, QString>> languages = {
        {"de", QStringLiteral("Einstellungen")},
        {"fr", QStringLiteral("Configuration")},
    };
    for (const auto& [language, configureTitle] : languages) {
        SCOPED_TRACE(language);
        QTranslator catalogue;
        ASSERT_TRUE(catalogue.load(QStringLiteral(MORVANE_PROGRAM_DIR "/translations/morvane_%1.qm")
                                       .arg(QString::fromUtf8(language))));
        QCoreApplication::installTranslator(&catalogue);
        {
            ConfigureDialog configure{ConfigureValues{}};
            EXPECT_EQ(configure.windowTitle(), configureTitle);
            expectUnclippedLayout(configure);
            RecordingOpener opener;
            AboutDialog about("Quillon Video Converter", "1.0.1", opener);
            EXPECT_NE(about.windowTitle(), QStringLiteral("About"));
            expectUnclippedLayout(about);
            preview::VideoSplitterDialog splitter;
            EXPECT_NE(splitter.windowTitle(), QStringLiteral("Video Splitter"));
            expectUnclippedLayout(splitter);
        }
        QCoreApplication::removeTranslator(&catalogue);
    }
}

TEST(DesktopActions, OpenOutputFolder) {
    RecordingOpener opener;
    EXPECT_FALSE(openOutputFolder("", opener));
    EXPECT_TRUE(opener.urls.empty()) << "an empty Output box opens nothing";
    EXPECT_TRUE(openOutputFolder("/srv/converted videos", opener));
    ASSERT_EQ(opener.urls.size(), 1U);
    EXPECT_EQ(opener.urls[0], QUrl::fromLocalFile(QStringLiteral("/srv/converted videos")));
    opener.succeeds = false;
    EXPECT_FALSE(openOutputFolder("/missing", opener));
}

TEST(DesktopActions, OpenHelpTellsWhenTheGuideIsMissingOrUnopened) {
    morvane::test::TempDir dir;
    const std::string programDirectory = dir.path() + "/";
    RecordingOpener opener;
    RecordingPrompts prompts;
    EXPECT_FALSE(openHelp(programDirectory, opener, prompts));
    EXPECT_TRUE(opener.urls.empty());
    ASSERT_EQ(prompts.messages.size(), 1U);
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Stop);
    EXPECT_NE(prompts.messages[0].text.find(helpFilePath(programDirectory)), std::string::npos);

    std::filesystem::create_directories(dir.file("help"));
    morvane::test::writeFile(helpFilePath(programDirectory), "<html></html>");
    EXPECT_TRUE(openHelp(programDirectory, opener, prompts));
    ASSERT_EQ(opener.urls.size(), 1U);
    EXPECT_EQ(opener.urls[0], QUrl::fromLocalFile(QString::fromStdString(dir.file("help/index.html"))));
    EXPECT_EQ(prompts.messages.size(), 1U);

    opener.succeeds = false;
    EXPECT_FALSE(openHelp(programDirectory, opener, prompts));
    ASSERT_EQ(prompts.messages.size(), 2U);
    EXPECT_NE(prompts.messages[1].text.find("browser"), std::string::npos);
}

TEST(MessageBoxText, LongPathsGetPlacesToBreakAndNothingElseChanges) {
    const QString shortText = QStringLiteral("The file \"/home/me/clip.avi\" can not be decoded.");
    EXPECT_EQ(breakableText(shortText), shortText);
    const QString folder = QStringLiteral("/tmp/") + QString(150, QLatin1Char('a')) + QStringLiteral("/x");
    const QString text =
        QStringLiteral("The output folder \"") + folder + QStringLiteral("\" cannot be used.");
    const QString shown = breakableText(text, 60);
    QString visible = shown;
    visible.remove(QChar(0x200B));
    EXPECT_EQ(visible, text);
    for (const auto& piece : shown.split(QRegularExpression(QStringLiteral("[\\s\\x{200B}]")))) {
        EXPECT_LE(piece.size(), 60) << piece.toStdString();
    }
    EXPECT_TRUE(shown.contains(QStringLiteral("tmp/") + QChar(0x200B))) << "a separator is a place to break";
}

} // namespace
} // namespace morvane::app
