#include "profiles/parameter_panel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTranslator>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>

#include "tests/profiles/profile_text.h"
#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace morvane::profiles {
namespace {

using widgets::OptionTreeCombo;
using widgets::OptionTreeEdit;
using widgets::OptionTreeItem;

using test::parseParameterLines;

class ParameterPanelTest : public ::testing::Test {
protected:
    ParameterPanelTest() : panel(window, QRect(0, 0, 300, 400)) { window.resize(320, 420); }

    OptionTreeItem* row(const char* heading, const char* label) const {
        OptionTreeItem* found = nullptr;
        panel.tree().enumerate(nullptr, [&](OptionTreeItem& item) {
            if (!found && item.parent() && item.parent()->label() == QString::fromUtf8(heading) &&
                item.label() == QString::fromUtf8(label)) {
                found = &item;
            }
            return true;
        });
        EXPECT_NE(found, nullptr) << heading << "/" << label;
        return found;
    }
    OptionTreeCombo* combo(const char* heading, const char* label) const {
        return dynamic_cast<OptionTreeCombo*>(row(heading, label));
    }
    OptionTreeEdit* edit(const char* heading, const char* label) const {
        return dynamic_cast<OptionTreeEdit*>(row(heading, label));
    }
    std::vector<QString> headings() const {
        std::vector<QString> labels;
        for (int i = 0; i < panel.tree().topLevelCount(); ++i) {
            labels.push_back(panel.tree().topLevelItem(i)->label());
        }
        return labels;
    }
    // Types into a row's editor as a user does: open it, replace the text, press Enter.
    void type(OptionTreeItem* item, const QString& text) {
        ASSERT_TRUE(panel.tree().activateItem(item)) << item->label().toStdString();
        QWidget* editor = item->editor();
        auto* field = qobject_cast<QLineEdit*>(editor);
        if (!field) {
            field = qobject_cast<QComboBox*>(editor)->lineEdit();
        }
        ASSERT_NE(field, nullptr);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    QWidget window;
    ParameterPanel panel;
};

TEST_F(ParameterPanelTest, SelectsChoicesByPrefixFromTheSecondEntryAndStoresThemBack) {
    auto profile = parseParameterLines("ac=,,2\nb=,,100\nab=,,1\n");
    panel.Show(profile, true);
    EXPECT_EQ(panel.tree().controlId(), ParameterPanel::kControlId);
    EXPECT_EQ(panel.tree().parentWidget(), &window);

    EXPECT_EQ(combo("Audio", "Channels")->text(), QStringLiteral("2 (Stereo)"));
    EXPECT_EQ(combo("Video", "Bit Rate")->text(), QStringLiteral("1000")) << "first entry beginning with 100";
    EXPECT_EQ(combo("Audio", "Bit Rate")->text(), QStringLiteral("112"))
        << "the first entry is searched last";
    EXPECT_EQ(combo("Audio", "Channels")->count(), 3);

    panel.StoreEdits(profile);
    EXPECT_EQ(profile.findParam("ac")->value, "2 (Stereo)");
    EXPECT_EQ(profile.findParam("b")->value, "1000");
    EXPECT_EQ(profile.findParam("ab")->value, "112");

    auto first = parseParameterLines("b=,,1\n");
    panel.Show(first, true);
    EXPECT_EQ(combo("Video", "Bit Rate")->text(), QStringLiteral("192")) << "192, not 128";
    EXPECT_EQ(headings(), std::vector<QString>{QStringLiteral("Video")}) << "Show clears the previous rows";
}

TEST_F(ParameterPanelTest, EditsReachTheRowsProfileOnStore) {
    auto profile = parseParameterLines("title=,,Old\nb=,,1000\nab=,,128\ns=,,640x480\nvcodec=,,mpeg4\n");
    panel.Show(profile, true);
    type(edit("General", "Title"), QStringLiteral("Holiday, part 2"));
    type(combo("Video", "Bit Rate"), QStringLiteral("900"));
    type(combo("Video", "Video Size"), QStringLiteral("1280x720"));
    combo("Video", "Video Codec")->setCurrentIndex(4); // mpeg1video
    EXPECT_EQ(profile.findParam("title")->value, "Old") << "nothing is stored before StoreEdits";

    panel.StoreEdits(profile);
    EXPECT_EQ(profile.findParam("title")->value, "Holiday, part 2");
    EXPECT_EQ(profile.findParam("b")->value, "900");
    EXPECT_EQ(profile.findParam("ab")->value, "128") << "same label, other category: untouched";
    EXPECT_EQ(profile.findParam("s")->value, "1280x720");
    EXPECT_EQ(profile.findParam("vcodec")->value, "mpeg1video");

    // Deselecting: stored, then shown read-only; showing the profile again shows the edits.
    panel.SetAllReadOnly(true);
    for (const char* label : {"Bit Rate", "Video Size", "Video Codec"}) {
        EXPECT_TRUE(row("Video", label)->isReadOnly()) << label;
    }
    EXPECT_TRUE(row("General", "Title")->isReadOnly());
    EXPECT_FALSE(panel.tree().activateItem(row("General", "Title")));
    EXPECT_EQ(edit("General", "Title")->text(), QStringLiteral("Holiday, part 2")) << "still shown";
    panel.Show(profile, true);
    EXPECT_EQ(combo("Video", "Bit Rate")->text(), QStringLiteral("900"));
    EXPECT_EQ(edit("General", "Title")->text(), QStringLiteral("Holiday, part 2"));
}

TEST_F(ParameterPanelTest, InAnotherLanguageTheRowsAreTranslatedAndEditsStillReachTheirSettings) {
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(MORVANE_PROGRAM_DIR "/translations/morvane_de.qm")));
    QCoreApplication::installTranslator(&german);
    auto profile = parseParameterLines("title=,,Old\nb=,,1000\nab=,,128\n");
    panel.Show(profile, true);
    EXPECT_EQ(headings(), (std::vector<QString>{QStringLiteral("Allgemein"), QStringLiteral("Video"),
                                                QStringLiteral("Audio")}));
    EXPECT_EQ(row("Allgemein", "Titel")->description(), QStringLiteral("legt den Titel fest"));
    type(edit("Allgemein", "Titel"), QStringLiteral("Urlaub"));
    type(combo("Video", "Bitrate"), QStringLiteral("900"));
    panel.StoreEdits(profile);
    QCoreApplication::removeTranslator(&german);
    EXPECT_EQ(profile.findParam("title")->value, "Urlaub");
    EXPECT_EQ(profile.findParam("b")->value, "900");
    EXPECT_EQ(profile.findParam("ab")->value, "128") << "same label, other category: untouched";
}

TEST_F(ParameterPanelTest, ReadOnlyRows) {
    const auto profile = parseParameterLines("ab=READONLY,,128\nac=,,2\ntitle=,,x\nt=READONLY,,Full\n");
    panel.Show(profile, true);
    EXPECT_TRUE(row("Audio", "Bit Rate")->isReadOnly()) << "marked READONLY";
    EXPECT_TRUE(row("General", "Duration")->isReadOnly());
    EXPECT_FALSE(row("Audio", "Channels")->isReadOnly());
    EXPECT_FALSE(row("General", "Title")->isReadOnly());
    EXPECT_FALSE(combo("Audio", "Bit Rate")->comboBox()->isEnabled());
    EXPECT_TRUE(combo("Audio", "Channels")->comboBox()->isEnabled());

    panel.Show(profile, false);
    int settings = 0;
    panel.tree().enumerate(nullptr, [&](OptionTreeItem& item) {
        if (item.parent()) {
            ++settings;
            EXPECT_TRUE(item.isReadOnly()) << item.label().toStdString() << ": display-only view";
            EXPECT_FALSE(panel.tree().activateItem(&item));
        }
        return true;
    });
    EXPECT_EQ(settings, 4);
    EXPECT_EQ(headings(), (std::vector<QString>{QStringLiteral("General"), QStringLiteral("Audio")}));
    EXPECT_EQ(panel.tree().topLevelItem(1)->description(), QStringLiteral("Audio Options"));
    EXPECT_EQ(row("Audio", "Channels")->description(), QStringLiteral("set number of audio channels"));

    panel.SetAllReadOnly(false);
    EXPECT_FALSE(row("Audio", "Bit Rate")->isReadOnly()) << "SetAllReadOnly sets every row";
    EXPECT_TRUE(combo("Audio", "Bit Rate")->comboBox()->isEnabled());
}

TEST_F(ParameterPanelTest, UnlistedValuesSurviveAShowAndStore) {
    auto profile = parseParameterLines("vcodec=,,libx265\ns=,,999x1\nac=,,5,(1 (Mono),2 (Stereo))\nb=,,\n");
    panel.Show(profile, true);
    auto* codec = combo("Video", "Video Codec");
    EXPECT_EQ(codec->currentIndex(), -1) << "a value none of the entries begins with selects nothing";
    EXPECT_EQ(codec->valueText(), QStringLiteral("libx265")) << "the row still shows the value";
    EXPECT_EQ(combo("Video", "Video Size")->text(), QStringLiteral("999x1"))
        << "free text in an editable list";
    EXPECT_EQ(combo("Video", "Bit Rate")->currentIndex(), -1) << "an empty value selects nothing";

    panel.StoreEdits(profile);
    EXPECT_EQ(profile.findParam("vcodec")->value, "libx265");
    EXPECT_EQ(profile.findParam("s")->value, "999x1");
    EXPECT_EQ(profile.findParam("ac")->value, "5");
    EXPECT_EQ(profile.findParam("b")->value, "");

    // Once the user picks an entry, that entry is stored.
    combo("Video", "Video Codec")->setCurrentIndex(0);
    panel.StoreEdits(profile);
    EXPECT_EQ(profile.findParam("vcodec")->value, "mpeg4");
}

TEST(ParameterPanel, OutlivesOrFollowsItsWindow) {
    auto window = std::make_unique<QWidget>();
    ParameterPanel panel(*window, QRect(5, 5, 100, 100));
    EXPECT_TRUE(panel.tree().isVisibleTo(window.get()));
    EXPECT_EQ(panel.tree().geometry(), QRect(5, 5, 100, 100));
    window.reset(); // the window takes the tree with it; the panel must not delete it again
}

} // namespace
} // namespace morvane::profiles
