#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "profiles/panel_content.h"
#include "profiles/profile.h"
#include "tests/profiles/profile_text.h"

namespace morvane::profiles {
namespace {

using test::parseParameterLines;

const PanelRow& rowLabelled(const PanelContent& content, const std::string& label, OptionCategory category) {
    for (const auto& row : content.rows) {
        if (row.label == label && row.category == category) {
            return row;
        }
    }
    throw std::runtime_error("no row " + label);
}

std::vector<std::string> headingLabels(const PanelContent& content) {
    std::vector<std::string> labels;
    for (const auto& heading : content.headings) {
        labels.push_back(heading.label);
    }
    return labels;
}

// Shows a single list setting and stores its editor's text back unchanged, as selecting and
// deselecting a row without touching the setting does.
struct ListCase {
    const char* line;
    const char* category;
    const char* label;
    int selected;
    const char* shown;
    const char* stored;
};

TEST(PanelContent, ListSelectionAndStoreRoundTrip) {
    const std::vector<ListCase> cases = {
        {"ac=,,2", "Audio", "Channels", 1, "2 (Stereo)", "2 (Stereo)"},
        {"b=,,100", "Video", "Bit Rate", 7, "1000", "1000"},
        {"b=,,1", "Video", "Bit Rate", 1, "192", "192"}, // the first entry is searched last
        {"b=,,128", "Video", "Bit Rate", 0, "128", "128"},
        {"ab=,,1", "Audio", "Bit Rate", 6, "112", "112"}, // 32, 48, ... 96, 112: first one beginning with 1
        {"ac=,,5,(1 (Mono),2 (Stereo))", "Audio", "Channels", -1, "5", "5"},
        {"s=,,999x1", "Video", "Video Size", -1, "999x1", "999x1"}, // editable list keeps free text
        {"vcodec=,,libx265", "Video", "Video Codec", -1, "libx265", "libx265"}, // fixed list keeps its value
        {"vcodec=,,", "Video", "Video Codec", -1, "", ""},                      // empty value selects nothing
        {"vcodec=,,mpeg4,()", "Video", "Video Codec", -1, "mpeg4", "mpeg4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto profile = parseParameterLines(std::string(c.line) + "\n");
        const auto content = panelContent(profile, true);
        ASSERT_EQ(content.rows.size(), 1U);
        const auto& row = content.rows.front();
        EXPECT_EQ(row.label, c.label);
        EXPECT_EQ(row.selected, c.selected);
        EXPECT_EQ(row.text, c.shown);

        // What the editor shows is what it gives back; a fixed list without a selection gives nothing.
        const bool noChoice = row.kind == OptionKind::FixedList && row.selected < 0;
        const std::vector<EditedText> edits{
            {c.category, row.label, noChoice ? std::nullopt : std::optional<std::string>(row.text)}};
        EXPECT_EQ(storeEditedTexts(profile, edits), 1);
        EXPECT_EQ(profile.params[row.paramIndex].value, c.stored);
    }
}

TEST(PanelContent, HeadingsRowsAndReadOnly) {
    const auto profile =
        parseParameterLines("ab=READONLY,,128\nac=,,2\ns=,,320x240\nb=,,1000\ntitle=,,Holiday\n"
                            "xyz=,,abc\nvn=,,False\n");
    const auto editable = panelContent(profile, true);
    EXPECT_EQ(headingLabels(editable), (std::vector<std::string>{"General", "Video", "Audio"}));
    EXPECT_EQ(editable.headings[0].description, "General Options");
    EXPECT_EQ(editable.headings[1].description, "Video Options");
    EXPECT_EQ(editable.headings[2].description, "Audio Options");

    // Rows in id order: the unknown key (id 0) first, then Title 3, Video Size 53, Bit Rate 54,
    // Disable Video 99, Bit Rate 102, Channels 104.
    std::vector<std::string> labels;
    for (const auto& row : editable.rows) {
        labels.push_back(row.label);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"xyz", "Title", "Video Size", "Bit Rate", "Disable Video",
                                                "Bit Rate", "Channels"}));

    const auto& audioRate = rowLabelled(editable, "Bit Rate", OptionCategory::Audio);
    EXPECT_TRUE(audioRate.readOnly) << "marked READONLY";
    EXPECT_EQ(audioRate.description, "set audio bitrate (in kbit/s)");
    EXPECT_EQ(audioRate.choices.size(), 14U);
    EXPECT_FALSE(rowLabelled(editable, "Bit Rate", OptionCategory::Video).readOnly);
    EXPECT_EQ(rowLabelled(editable, "Title", OptionCategory::General).kind, OptionKind::Text);
    EXPECT_TRUE(rowLabelled(editable, "Title", OptionCategory::General).choices.empty());

    for (const auto& row : panelContent(profile, false).rows) {
        EXPECT_TRUE(row.readOnly) << row.label << ": the display-only view is read-only throughout";
    }
}

TEST(PanelContent, OnlyTheCategoriesWithSettings) {
    EXPECT_EQ(headingLabels(panelContent(parseParameterLines("ab=,,128\nac=,,2\n"), true)),
              std::vector<std::string>{"Audio"});
    EXPECT_EQ(headingLabels(panelContent(parseParameterLines("b=,,1000\n"), true)),
              std::vector<std::string>{"Video"});
    const auto empty = panelContent(parseParameterLines("b=1000\n"), true);
    EXPECT_TRUE(empty.headings.empty());
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_TRUE(panelContent(Profile{}, true).rows.empty());
}

TEST(PanelContent, StoreMatchesByLabelAndCategoryFirstSlotWins) {
    auto profile = parseParameterLines("b=,,1000\nab=,,128\ntitle=,,Old\n");
    const std::vector<EditedText> edits{
        {"Audio", "Bit Rate", "192"}, // only the audio setting, though the video one has the same label
        {"General", "Title", "New, with comma"},
        {"Video", "Title", "wrong"}, // no Title in the video category
        {"Misc", "Bit Rate", "1"},   // not a heading
        {"General", "Nothing", "x"},
    };
    EXPECT_EQ(storeEditedTexts(profile, edits), 2);
    EXPECT_EQ(profile.findParam("b")->value, "1000");
    EXPECT_EQ(profile.findParam("ab")->value, "192");
    EXPECT_EQ(profile.findParam("title")->value, "New, with comma");

    // Two settings sharing a label within one category cannot be told apart: the first slot wins.
    Profile twins = parseParameterLines("author=,,A\ncomment=,,C\n");
    for (auto& param : twins.params) {
        param.label = "Same";
    }
    const std::vector<EditedText> one{{"General", "Same", "edited"}};
    EXPECT_EQ(storeEditedTexts(twins, one), 1);
    EXPECT_EQ(twins.params[0].value, "edited");
    EXPECT_NE(twins.params[1].value, "edited");
}

TEST(PanelContent, HeadingLabelsAndCategories) {
    EXPECT_EQ(categoryOfHeading("Video"), 1);
    EXPECT_EQ(categoryOfHeading("Audio"), 2);
    EXPECT_EQ(categoryOfHeading("General"), 3);
    EXPECT_EQ(categoryOfHeading("video"), -1) << "labels compare exactly";
    EXPECT_EQ(categoryOfHeading(""), -1);
    EXPECT_EQ(headingOf(OptionCategory::Audio).description, "Audio Options");
}

} // namespace
} // namespace morvane::profiles
