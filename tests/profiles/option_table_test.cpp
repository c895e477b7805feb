#include "profiles/option_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::profiles {
namespace {

using Choices = std::vector<std::string>;

struct PanelRow {
    const char* name;
    const char* label;
    std::int32_t id;
    std::uint32_t flags;
    OptionKind kind;
    OptionCategory category;
    Choices choices;
    const char* neutral;
    const char* help;
};

const std::vector<PanelRow>& panelRows() {
    using C = OptionCategory;
    using K = OptionKind;
    static const std::vector<PanelRow> rows = {
        {"ss", "Start Time", 1, 0x1, K::Text, C::General, {}, "00:00:00", "set the start time offset"},
        {"t", "Duration", 2, 0x1, K::Text, C::General, {}, "Full", "set the recording time"},
        {"title", "Title", 3, 0x9, K::Text, C::General, {}, "", "set the title"},
        {"author", "Author", 4, 0x9, K::Text, C::General, {}, "", "set the author"},
        {"copyright", "Copyright", 5, 0x9, K::Text, C::General, {}, "", "set the copyright"},
        {"comment", "Comment", 6, 0x9, K::Text, C::General, {}, "", "set the comment"},
        {"album", "Album", 7, 0x9, K::Text, C::General, {}, "", "set the album"},
        {"timestamp", "Time stamp", 8, 0x1, K::Text, C::General, {}, "", "set the timestamp"},
        {"vcodec",
         "Video Codec",
         51,
         0x11,
         K::FixedList,
         C::Video,
         {"mpeg4", "msmpeg4", "msmpeg4v1", "msmpeg4v2", "mpeg1video", "mpeg2video", "wmv1", "wmv2", "h263",
          "h263p", "rawvideo", "rv10", "dvvideo", "huffyuv", "ljpeg", "mjpeg", "svq1", "zlib"},
         "",
         "force video codec ('copy' to copy stream)"},
        {"tvstd",
         "Standard",
         52,
         0x55,
         K::EditableList,
         C::Video,
         {"Auto", "NTSC", "PAL"},
         "",
         "set television standard (NTSC, PAL (SECAM))"},
        {"s",
         "Video Size",
         53,
         0x11,
         K::EditableList,
         C::Video,
         {"128x96", "160x120", "176x120", "176x144", "192x144", "208x176", "220x176", "240x180", "320x200",
          "320x240", "352x288", "480x272", "480x480", "480x576", "640x480", "624x352", "704x576", "720x480",
          "720x576"},
         "",
         "set frame size (WxH or abbreviation)"},
        {"b",
         "Bit Rate",
         54,
         0x11,
         K::EditableList,
         C::Video,
         {"128", "192", "256", "384", "512", "640", "768", "1000", "1200", "1500", "2000", "2500"},
         "",
         "set video bitrate (in kbit/s)"},
        {"r",
         "Frame Rate",
         55,
         0x11,
         K::EditableList,
         C::Video,
         {"23.97", "24.0", "25.0", "29.97", "30.0"},
         "",
         "set frame rate (Hz value, fraction or abbreviation)"},
        {"aspect",
         "Aspect",
         56,
         0x11,
         K::EditableList,
         C::Video,
         {"Auto", "4:3", "16:9"},
         "",
         "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)"},
        {"vn", "Disable Video", 99, 0x12, K::FixedList, C::Video, {"False", "True"}, "", "disable video"},
        {"acodec",
         "Audio Codec",
         101,
         0x21,
         K::FixedList,
         C::Audio,
         {"mp3"},
         "",
         "force audio codec ('copy' to copy stream)"},
        {"ab",
         "Bit Rate",
         102,
         0x21,
         K::EditableList,
         C::Audio,
         {"32", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224", "256", "320", "384"},
         "",
         "set audio bitrate (in kbit/s)"},
        {"ar",
         "Sample Rate",
         103,
         0x21,
         K::EditableList,
         C::Audio,
         {"22050", "32000", "44100", "48000"},
         "",
         "set audio sampling rate (in Hz)"},
        {"ac",
         "Channels",
         104,
         0x21,
         K::FixedList,
         C::Audio,
         {"1 (Mono)", "2 (Stereo)", "5 (5.1)"},
         "",
         "set number of audio channels"},
        {"an", "Disable Audio", 105, 0x22, K::FixedList, C::Audio, {"False", "True"}, "", "disable audio"},
    };
    return rows;
}

// The rows the panel does not present, in table order: name, flags and argument name (if any).
constexpr const char* kPlainRows =
    "L 0x0; h 0x0; version 0x0; formats 0x0; f 0x1 fmt; i 0x1 filename; y 0x2; "
    "map 0x5 file:stream[:syncfile:syncstream]; map_meta_data 0x5 outfile:infile; "
    "fs 0x81 limit_size; itsoffset 0x1 time_off; benchmark 0x6; dump 0x6; hex 0x6; re 0x6; "
    "loop_input 0x6; loop_output 0x85; v 0x1 verbose; target 0x1 type; threads 0x5 count; "
    "vsync 0x85; async 0x85; vglobal 0x85; copyts 0x6; shortest 0x6; dts_delta_threshold 0x85; "
    "vframes 0x91 number; aframes 0xa1 number; dframes 0x81 number; pix_fmt 0x15 format; "
    "croptop 0x11 size; cropbottom 0x11 size; cropleft 0x11 size; cropright 0x11 size; "
    "padtop 0x11 size; padbottom 0x11 size; padleft 0x11 size; padright 0x11 size; "
    "padcolor 0x11 color; intra 0x16; vdt 0x95 n; qscale 0x15 q; qdiff 0x15 q; rc_eq 0x15 equation; "
    "rc_override 0x15 override; me 0x15 method; me_threshold 0x15; ps 0x5 size; "
    "strict 0x15 strictness; sameq 0x12; pass 0x11 n; passlogfile 0x19 file; deinterlace 0x16; "
    "psnr 0x16; vstats 0x16; vhook 0x15 module; intra_matrix 0x15 matrix; inter_matrix 0x15 matrix; "
    "top 0x15; dc 0x95 precision; vtag 0x15 fourcc/tag; newvideo 0x10; qphist 0x16; "
    "aq 0x121 quality; atag 0x25 fourcc/tag; vol 0xa1 volume; newaudio 0x20; alang 0x29 code; "
    "scodec 0x201 codec; newsubtitle 0x200; slang 0x209 code; vd 0x55 device; vc 0x55 channel; "
    "ad 0x65 device; grab 0x45 format; gd 0x55 device; muxdelay 0x105 seconds; "
    "muxpreload 0x105 seconds; absf 0x25 bitstream filter; vbsf 0x15 bitstream filter; default 0x435.";

std::vector<std::string> plainRows() {
    std::vector<std::string> rows;
    std::string_view rest = kPlainRows;
    while (!rest.empty()) {
        const auto end = rest.find_first_of(";.");
        rows.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(rest.size(), end + 2));
    }
    return rows;
}

std::string text(const char* s) {
    return s != nullptr ? s : "";
}

TEST(OptionTable, HoldsEveryRowOnceAndEndsWithTheEmptyDefinition) {
    const auto table = optionTable();
    ASSERT_EQ(table.size(), 101U);
    ASSERT_EQ(plainRows().size() + panelRows().size(), 101U);

    std::set<std::string> names;
    for (const auto& def : table) {
        ASSERT_NE(def.name, nullptr);
        EXPECT_TRUE(names.insert(def.name).second) << "duplicate row " << def.name;
    }

    const OptionDef& empty = emptyOptionDef();
    EXPECT_EQ(&empty, table.data() + table.size()) << "the empty definition ends the stored table";
    EXPECT_EQ(empty.name, nullptr);
    EXPECT_EQ(empty.flags, 0U);
    EXPECT_EQ(empty.help, nullptr);
    EXPECT_EQ(empty.label, nullptr);
    EXPECT_EQ(empty.id, 0);
    EXPECT_EQ(empty.kind, OptionKind::Text);
    EXPECT_EQ(empty.values, nullptr);
    EXPECT_EQ(empty.valueCount, 0);
}

TEST(OptionTable, PanelRowsCarryTheirLabelsIdsKindsAndValueLists) {
    for (const auto& expected : panelRows()) {
        SCOPED_TRACE(expected.name);
        const OptionDef& def = find(expected.name);
        ASSERT_NE(def.name, nullptr);
        EXPECT_EQ(text(def.label), expected.label);
        EXPECT_EQ(def.id, expected.id);
        EXPECT_EQ(def.flags, expected.flags);
        EXPECT_EQ(def.kind, expected.kind);
        EXPECT_EQ(category(def.flags), expected.category);
        EXPECT_EQ(defaultChoices(def), expected.choices);
        EXPECT_EQ(def.valueCount, static_cast<std::int32_t>(expected.choices.size()));
        EXPECT_EQ(std::string(neutralValue(def)), expected.neutral);
        EXPECT_EQ(text(def.help), expected.help);
    }
}

TEST(OptionTable, PlainRowsKeepTheirOrderFlagsAndArgumentNames) {
    std::vector<const OptionDef*> plain;
    for (const auto& def : optionTable()) {
        if (def.id == 0) {
            plain.push_back(&def);
        }
    }
    ASSERT_EQ(plain.size(), plainRows().size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const OptionDef& def = *plain[i];
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%x", def.flags);
        const std::string argument = text(def.label);
        EXPECT_EQ(text(def.name) + " " + flags + (argument.empty() ? "" : " " + argument), plainRows()[i]);
        EXPECT_EQ(def.kind, OptionKind::Text);
        EXPECT_EQ(def.valueCount, 0);
        EXPECT_EQ(def.values, nullptr);
        ASSERT_NE(def.help, nullptr) << def.name;
        EXPECT_GT(std::string(def.help).size(), 10U) << def.name << ": every plain row has a one-line help";
        EXPECT_EQ(std::string(def.help).find('\n'), std::string::npos);
    }
}

TEST(OptionTable, PanelRowsStandAmongThePlainRows) {
    const auto table = optionTable();
    const auto at = [&](std::size_t i) { return std::string(table[i].name); };
    std::size_t b = 0;
    while (b < table.size() && at(b) != "b") {
        ++b;
    }
    ASSERT_GT(b, 0U);
    ASSERT_LT(b + 1, table.size());
    EXPECT_EQ(at(b - 1), "dts_delta_threshold");
    EXPECT_EQ(at(b + 1), "vframes");
    EXPECT_EQ(at(0), "L");
    EXPECT_EQ(at(table.size() - 1), "default");
}

TEST(OptionTable, FindMatchesNamesExactly) {
    for (const auto& def : optionTable()) {
        EXPECT_EQ(&find(def.name), &def) << def.name;
    }
    for (const char* missing : {"B", "VCODEC", "", "b ", " b", "bb", "xyz", "ab\n"}) {
        EXPECT_EQ(&find(missing), &emptyOptionDef()) << '"' << missing << '"';
    }
}

TEST(OptionTable, CategoryFollowsTheVideoThenAudioBits) {
    EXPECT_EQ(category(0x0), OptionCategory::General);
    EXPECT_EQ(category(0x1), OptionCategory::General);
    EXPECT_EQ(category(0x21), OptionCategory::Audio);
    EXPECT_EQ(category(0x11), OptionCategory::Video);
    EXPECT_EQ(category(0x30), OptionCategory::Video);
    EXPECT_EQ(category(0x200), OptionCategory::General);
    EXPECT_EQ(category(find("default").flags), OptionCategory::Video)
        << "carries both the video and audio bits";
    EXPECT_EQ(category(find("aq").flags), OptionCategory::Audio);
    EXPECT_EQ(category(find("scodec").flags), OptionCategory::General);
}

TEST(OptionTable, DisplayLabelFallsBackToTheKey) {
    EXPECT_EQ(displayLabel(find("b"), "b"), "Bit Rate");
    EXPECT_EQ(displayLabel(find("ab"), "ab"), "Bit Rate");
    EXPECT_EQ(displayLabel(find("f"), "f"), "fmt");
    EXPECT_EQ(displayLabel(find("re"), "re"), "re") << "empty argument name";
    EXPECT_EQ(displayLabel(find("vsync"), "vsync"), "vsync");
    EXPECT_EQ(displayLabel(find("me_threshold"), "me_threshold"), "me_threshold");
    EXPECT_EQ(displayLabel(find("y"), "y"), "y") << "no argument name";
    EXPECT_EQ(displayLabel(find("benchmark"), "benchmark"), "benchmark");
    EXPECT_EQ(displayLabel(find("B"), "B"), "B");
    EXPECT_EQ(displayLabel(emptyOptionDef(), "xyz"), "xyz");
}

TEST(OptionTable, SwitchesShareTheirTwoValuesAndTextRowsOfferNone) {
    EXPECT_EQ(defaultChoices(find("vn")), (Choices{"False", "True"}));
    EXPECT_EQ(defaultChoices(find("an")), defaultChoices(find("vn")));
    EXPECT_TRUE(defaultChoices(find("ss")).empty()) << "a neutral value is never offered as a list";
    EXPECT_TRUE(defaultChoices(find("t")).empty());
    EXPECT_TRUE(defaultChoices(emptyOptionDef()).empty());
    EXPECT_TRUE(neutralValue(find("b")).empty());
    EXPECT_TRUE(neutralValue(emptyOptionDef()).empty());
}

} // namespace
} // namespace morvane::profiles
