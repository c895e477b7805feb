#include "app/main_window_layout.h"

#include <gtest/gtest.h>

#include <set>

#include "app/app_settings.h"

namespace morvane::app {
namespace {

TEST(MainWindowLayout, ColumnWidthsFollowTheSixtyFourthsRule) {
    struct Case {
        int listWidth;
        std::array<int, 6> widths;
    };
    for (const auto& c : {Case{642, {30, 200, 80, 60, 60, 208}}, Case{425, {19, 132, 52, 39, 39, 140}},
                          Case{2, {0, 0, 0, 0, 0, -2}}}) {
        EXPECT_EQ(fileListColumnWidths(c.listWidth), c.widths) << c.listWidth;
    }
}

TEST(MainWindowLayout, NarrowTimeColumnsWidenAtTheFileColumnsExpense) {
    const std::array<int, 6> rule{23, 153, 61, 45, 45, 161};
    const std::array<int, 6> times{0, 80, 0, 58, 58, 0};
    EXPECT_EQ(widenedColumnWidths(rule, times), (std::array<int, 6>{23, 127, 61, 58, 58, 161}));
    EXPECT_EQ(widenedColumnWidths(rule, {}), rule) << "wide enough: the rule stands";
    // Without room in the file column the others still get what they need.
    EXPECT_EQ(widenedColumnWidths({3, 20, 8, 6, 6, 10}, {0, 15, 0, 9, 9, 0}),
              (std::array<int, 6>{3, 15, 8, 9, 9, 10}));
}

TEST(MainWindowLayout, OpenFileFilterBecomesTheDialogsFilters) {
    const auto filters = fileDialogFilters(kOpenFileFilter);
    ASSERT_EQ(filters.size(), 14U);
    EXPECT_EQ(filters[0], "All Files (*)");
    EXPECT_EQ(filters[1], "QuickTime (*.mov *.MOV)");
    EXPECT_EQ(filters[3], "Real Media File (*.rm *.RM *.rmvb *.RMVB)");
    EXPECT_EQ(filters[6], "mpg (*.mpg *.MPG *.mpeg *.MPEG)");
    EXPECT_EQ(filters[9], "wmv (*.wmv *.WMV)");
    EXPECT_EQ(filters[10], "asf (*.asf *.ASF)") << "blanks around a pattern are not part of it";
    EXPECT_EQ(filters[13], "Gif (*.gif *.GIF)");
    EXPECT_EQ(fileDialogFilters("Clips|*.mp4;*.3gp||Never|*.x|"),
              (std::vector<std::string>{"Clips (*.mp4 *.MP4 *.3gp *.3GP)"}));
}

TEST(MainWindowLayout, MenusCarryTheirCommandsOnce) {
    std::set<int> ids;
    const auto collect = [&](const auto& self, const std::vector<MenuEntry>& entries) -> void {
        for (const auto& entry : entries) {
            if (entry.id != 0) {
                EXPECT_TRUE(ids.insert(entry.id).second) << "command " << entry.id << " appears twice";
            }
            self(self, entry.children);
        }
    };
    for (const auto* menu : {&moreMenu(), &contextMenu(), &menuBar()}) {
        collect(collect, *menu);
    }
    EXPECT_EQ(ids.size(), 18U);
    EXPECT_EQ(std::string(contextMenu()[2].text), "&Remove ");
    for (const int id : {kCmdAdd, kCmdRemove, kCmdRemoveAll, kCmdSplit, kCmdPlay, kCmdMenuUp}) {
        EXPECT_TRUE(greyedDuringBatch(id)) << id;
    }
    for (const int id : {kCmdHelp, kCmdAbout, kCmdConfigure, kCmdMenuCheckAll, kCmdMenuExit}) {
        EXPECT_FALSE(greyedDuringBatch(id)) << id;
    }
}

TEST(MainWindowLayout, BrowsedFolderLosesOneTrailingSeparatorButTheRootStays) {
    EXPECT_EQ(browsedOutputFolder("/home/ann/Videos/"), "/home/ann/Videos");
    EXPECT_EQ(browsedOutputFolder("/home/ann/Videos"), "/home/ann/Videos");
    EXPECT_EQ(browsedOutputFolder("/srv//"), "/srv/");
    EXPECT_EQ(browsedOutputFolder("/"), "/");
}

} // namespace
} // namespace morvane::app
