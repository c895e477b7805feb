#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profiles/ini_section_reader.h"
#include "profiles/media_type_table.h"
#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::profiles {
namespace {

using Choices = std::vector<std::string>;

std::vector<std::string> chainNames(const Profile& profile) {
    std::vector<std::string> names;
    for (const auto& param : profile.chain()) {
        names.push_back(param.name);
    }
    return names;
}

Profile parseText(const test::TempDir& dir, const std::string& text, const std::string& name = "Test") {
    const auto path = dir.file("p.pf");
    test::writeFile(path, text);
    Profile profile;
    parseProfileFile(path, name, profile);
    return profile;
}

// The value lines of the format's edge table, as they stand after the key and the equals sign.
TEST(ProfileParam, EdgeValueLines) {
    struct Case {
        const char* key;
        const char* line;
        bool accepted;
        const char* label;
        OptionCategory category;
        const char* value;
        bool readOnly;
        const char* choiceText;
        Choices offered;
    };
    const Choices bitRates{"128", "192",  "256",  "384",  "512",  "640",
                           "768", "1000", "1200", "1500", "2000", "2500"};
    const std::vector<Case> cases = {
        {"b", "READONLY,,1000", true, "Bit Rate", OptionCategory::Video, "1000", true, "", bitRates},
        {"ac", ",,2,(1 (Mono),2 (Stereo))", true, "Channels", OptionCategory::Audio, "2", false,
         "(1 (Mono),2 (Stereo))", Choices{"1 (Mono)", "2 (Stereo)"}},
        {"t", ",,Full,(x,y)", true, "Duration", OptionCategory::General, "Full", false, "", Choices{}},
        {"vcodec", ",,mpeg4,()", true, "Video Codec", OptionCategory::Video, "mpeg4", false, "()", Choices{}},
        {"b", "1000", false, "", OptionCategory::General, "", false, "", Choices{}},
        {"xyz", ",,abc", true, "xyz", OptionCategory::General, "abc", false, "", Choices{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.line);
        ProfileParam param;
        param.value = "untouched";
        ASSERT_EQ(parseProfileParam(c.key, c.line, param), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(param.value, "untouched");
            continue;
        }
        EXPECT_EQ(param.name, c.key);
        EXPECT_EQ(param.label, c.label);
        EXPECT_EQ(param.category, c.category);
        EXPECT_EQ(param.value, c.value);
        EXPECT_EQ(param.isReadOnly(), c.readOnly);
        EXPECT_EQ(param.choiceText, c.choiceText);
        EXPECT_EQ(offeredChoices(param), c.offered);
    }
}

TEST(ProfileParam, CopiesTheDefinitionOrMakesAGeneralTextSetting) {
    ProfileParam param;
    ASSERT_TRUE(parseProfileParam("ab", ",,128", param));
    EXPECT_EQ(param.id, 102);
    EXPECT_EQ(param.kind, OptionKind::EditableList);
    EXPECT_EQ(param.flags, 0x21U);
    EXPECT_EQ(param.help, "set audio bitrate (in kbit/s)");

    ASSERT_TRUE(parseProfileParam("B", ",,1000", param)) << "lookups are case-sensitive";
    EXPECT_EQ(param.label, "B");
    EXPECT_EQ(param.id, 0);
    EXPECT_EQ(param.kind, OptionKind::Text);
    EXPECT_EQ(param.category, OptionCategory::General);
    EXPECT_EQ(param.flags, 0U);
    EXPECT_EQ(param.help, "");

    ASSERT_TRUE(parseProfileParam("f", ",,psp", param));
    EXPECT_EQ(param.label, "fmt");
    EXPECT_EQ(param.help, "force the container format");
    ASSERT_TRUE(parseProfileParam("y", ",,True", param));
    EXPECT_TRUE(param.isSwitch());
    EXPECT_FALSE(param.takesValue());
}

TEST(ProfileParam, FieldsAreCutTrimmedAndLoseTheirQuotes) {
    struct Case {
        const char* key;
        const char* line;
        const char* mark;
        const char* reserved;
        const char* value;
        const char* choiceText;
        Choices choices;
    };
    const std::vector<Case> cases = {
        {"title", ",,\"My, Title\"", "", "", "My", "", {}},
        {"title", " READONLY , x ,  Holiday 2008  ", "READONLY", "x", "Holiday 2008", "", {}},
        {"title", ",,say \"hi\" now", "", "", "say  hi  now", "", {}},
        {"comment", ",,", "", "", "", "", {}},
        {"b", "readonly,,1000", "readonly", "", "1000", "", {}},
        {"s", ",,320x240,  [ 320x240 , 640x480 ,, ]  ", "", "", "320x240", "[ 320x240 , 640x480 ,, ]",
         Choices{"320x240", "640x480"}},
        {"vcodec", ",,rv10,(\"100% Quality, VBR\", \"56k Dial-up\",,\" \")", "", "", "rv10",
         "(\"100% Quality, VBR\", \"56k Dial-up\",,\" \")", Choices{"100% Quality, VBR", "56k Dial-up"}},
        {"acodec", ",,aac,x", "", "", "aac", "x", Choices{}},
        {"acodec", ",,aac,  ", "", "", "aac", "", Choices{}},
        {"ac", ",,2,(1 (Mono)),extra", "", "", "2", "(1 (Mono)),extra", Choices{"1 (Mono))", "extr"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.line);
        ProfileParam param;
        ASSERT_TRUE(parseProfileParam(c.key, c.line, param));
        EXPECT_EQ(param.mark, c.mark);
        EXPECT_EQ(param.reserved, c.reserved);
        EXPECT_EQ(param.value, c.value);
        EXPECT_EQ(param.choiceText, c.choiceText);
        EXPECT_EQ(param.choices, c.choices);
        EXPECT_EQ(param.isReadOnly(), std::string(c.mark) == "READONLY");
    }
}

TEST(ProfileParam, RejectsEmptyKeysAndValuesAndMissingCommas) {
    ProfileParam param;
    EXPECT_FALSE(parseProfileParam("", ",,1", param));
    EXPECT_FALSE(parseProfileParam("b", "", param));
    EXPECT_FALSE(parseProfileParam("b", "READONLY", param));
    EXPECT_FALSE(parseProfileParam("b", "READONLY,1000", param));
    EXPECT_TRUE(parseProfileParam("b", ",,", param));
}

TEST(ProfileParam, ChoiceByPrefixSearchesFromTheSecondEntry) {
    const Choices bitRates = defaultChoices(find("b"));
    EXPECT_EQ(findChoiceByPrefix(bitRates, "100"), 7) << "1000 is the first entry that begins with 100";
    EXPECT_EQ(findChoiceByPrefix(bitRates, "1"), 1) << "192, not 128: the first entry is searched last";
    EXPECT_EQ(findChoiceByPrefix(bitRates, "128"), 0);
    EXPECT_EQ(findChoiceByPrefix(bitRates, "999"), -1);
    const Choices channels = defaultChoices(find("ac"));
    EXPECT_EQ(findChoiceByPrefix(channels, "2"), 1);
    EXPECT_EQ(findChoiceByPrefix(channels, "2 (STEREO)"), 1);
    EXPECT_EQ(findChoiceByPrefix(Choices{}, "x"), -1);
    EXPECT_EQ(findChoiceByPrefix(bitRates, ""), -1) << "an empty value would otherwise pick the second entry";
    EXPECT_EQ(findChoiceByPrefix(Choices{"only"}, "ONLY"), 0);
}

TEST(ProfileFile, ReadsMainValuesAndChainsAcceptedEntriesById) {
    test::TempDir dir;
    const auto profile = parseText(dir,
                                   "[Main]\n"
                                   "Name=iPod Video\n"
                                   "SName=iPod\n"
                                   "Format=mp4\n"
                                   "ExtName=mp4\n"
                                   "MediaType=iPod\n"
                                   "QALevel=4\n"
                                   "Extra=kept\n"
                                   "[Parameter]\n"
                                   "ab=,,128\n"
                                   "xyz=,,abc\n"
                                   "vcodec=READONLY,,h264,(h264)\n"
                                   "bad=1000\n"
                                   "title=,,\n"
                                   "s=,,320x240\n"
                                   "ss=,,00:00:00\n"
                                   "B=,,7\n",
                                   "Chosen Name");
    EXPECT_EQ(profile.name, "Chosen Name");
    EXPECT_EQ(profile.SName, "iPod");
    EXPECT_EQ(profile.Format, "mp4");
    EXPECT_EQ(profile.ExtName, "mp4");
    EXPECT_EQ(profile.MediaType, "iPod");
    EXPECT_EQ(profile.QALevel, 4);
    EXPECT_EQ(profile.targetCode(), kTargetIpod);
    EXPECT_EQ(profile.mainKeys.at("Extra"), "kept");
    EXPECT_EQ(profile.parameterKeys.size(), 8U);
    EXPECT_EQ(profile.parameterKeys.at("bad"), "1000");

    EXPECT_EQ(profile.paramCount, 7);
    EXPECT_EQ(profile.videoCount, 2);
    EXPECT_EQ(profile.audioCount, 1);
    EXPECT_EQ(profile.generalCount, 4);
    // Settings without an id come first; equal ids keep key order.
    EXPECT_EQ(chainNames(profile),
              (std::vector<std::string>{"B", "xyz", "ss", "title", "vcodec", "s", "ab"}));
    ASSERT_EQ(profile.params.size(), 8U) << "one slot per key";
    EXPECT_TRUE(profile.params[7].name.empty()) << "the slot left by the rejected entry stays blank";
    ASSERT_NE(profile.findParam("vcodec"), nullptr);
    EXPECT_TRUE(profile.findParam("vcodec")->isReadOnly());
    EXPECT_EQ(profile.findParam("bad"), nullptr);
    EXPECT_EQ(profile.findParam("VCODEC"), nullptr);
}

TEST(ProfileFile, EditsThroughTheChainReachTheSlots) {
    test::TempDir dir;
    auto profile = parseText(dir, "[Parameter]\nb=,,1000\nab=,,64\n");
    for (auto& param : profile.chain()) {
        param.value += "0";
    }
    EXPECT_EQ(profile.findParam("b")->value, "10000");
    EXPECT_EQ(profile.findParam("ab")->value, "640");
}

TEST(ProfileFile, MainKeysOtherThanNameMatchWithRegardToCase) {
    test::TempDir dir;
    const auto lower =
        parseText(dir, "[main]\nname=x\nsname=s\nformat=avi\nextname=avi\nmediatype=AVI\nqalevel=1\n");
    EXPECT_TRUE(lower.SName.empty());
    EXPECT_TRUE(lower.Format.empty());
    EXPECT_TRUE(lower.ExtName.empty());
    EXPECT_TRUE(lower.MediaType.empty());
    EXPECT_EQ(lower.QALevel, -1);
    EXPECT_EQ(lower.mainKeys.size(), 6U) << "the section name itself matches in any case";
}

TEST(ProfileFile, QALevelIsTheLeadingNumber) {
    test::TempDir dir;
    struct Case {
        const char* line;
        std::int32_t level;
    };
    for (const Case& c :
         {Case{"", -1}, Case{"QALevel=12\n", 12}, Case{"QALevel=abc\n", 0}, Case{"QALevel=-1\n", -1},
          Case{"QALevel= 7x\n", 7}, Case{"QALevel=\n", 0}, Case{"QALevel=99999999999\n", 2147483647}}) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(parseText(dir, std::string("[Main]\nName=n\n") + c.line).QALevel, c.level);
    }
}

TEST(ProfileFile, MissingOrEmptyFilesGiveAProfileWithoutContent) {
    test::TempDir dir;
    Profile profile;
    profile.SName = "stale";
    parseProfileFile(dir.file("absent.pf"), "Gone", profile);
    EXPECT_EQ(profile.name, "Gone");
    EXPECT_TRUE(profile.SName.empty());
    EXPECT_EQ(profile.QALevel, -1);
    EXPECT_EQ(profile.paramCount, 0);
    EXPECT_EQ(profile.firstParam, kNoParam);
    EXPECT_EQ(profile.chain().begin(), profile.chain().end());
    EXPECT_FALSE(profile.targetCode().has_value());

    parseProfileFile("", "No path", profile);
    EXPECT_TRUE(profile.params.empty());

    const auto emptySections = parseText(dir, "[Main]\n[Parameter]\n");
    EXPECT_EQ(emptySections.paramCount, 0);
    EXPECT_TRUE(emptySections.mainKeys.empty());
}

TEST(ProfileFile, LongValuesAreKeptWholeUpToTheValueReadLimit) {
    test::TempDir dir;
    const std::string title300(300, 't');
    const std::string title1200(1200, 'u');
    const auto profile =
        parseText(dir, "[Parameter]\ntitle=,," + title300 + "\ncomment=,," + title1200 + "\n");
    EXPECT_EQ(profile.findParam("title")->value, title300);
    EXPECT_EQ(profile.findParam("comment")->value.size(), IniSectionReader::kValueChars - 2);
}

TEST(ProfileFile, TargetTextAndRealMediaFollowSNameAndFormat) {
    Profile profile;
    profile.Format = "rm";
    EXPECT_TRUE(profile.isRealMedia());
    EXPECT_EQ(profile.targetText(), "RM");
    profile.Format = "Rm";
    EXPECT_TRUE(profile.isRealMedia());
    profile.SName = "Real";
    EXPECT_EQ(profile.targetText(), "Real");
    profile.Format = "rmvb";
    EXPECT_FALSE(profile.isRealMedia());
}

TEST(IniSectionReader, ReadsASectionIntoAClearedMap) {
    test::TempDir dir;
    const auto path = dir.file("x.ini");
    test::writeFile(path, "[Main]\nName = A \nname=B\nKey=\"quoted\"\nNoValue=\n[Other]\nz=1\n");
    const IniSectionReader reader(path);
    StringMap map{{"stale", "1"}};
    ASSERT_TRUE(reader.read("main", map));
    EXPECT_EQ(map, (StringMap{{"Name", "A"}, {"Key", "quoted"}, {"NoValue", ""}}));
    EXPECT_FALSE(reader.read("Missing", map));
    EXPECT_TRUE(map.empty());
    EXPECT_FALSE(IniSectionReader(dir.file("absent.ini")).read("Main", map));
}

TEST(IniSectionReader, KeyNamesStopAtTheKeyListLimit) {
    test::TempDir dir;
    const auto path = dir.file("many.ini");
    std::string text = "[S]\n";
    for (int i = 0; i < 200; ++i) {
        std::string key = std::to_string(1000 + i);
        key.resize(100, 'k');
        text += key + "=v\n";
    }
    test::writeFile(path, text);
    StringMap map;
    ASSERT_TRUE(IniSectionReader(path).read("S", map));
    // 162 names of 100 bytes and their terminators fit whole into 16,383 bytes; the next is cut.
    std::size_t withValue = 0;
    for (const auto& [key, value] : map) {
        withValue += value == "v" ? 1 : 0;
    }
    EXPECT_EQ(withValue, 162U);
    EXPECT_LE(map.size(), 163U);
}

TEST(MediaTypeTable, MapsTextsToTargetCodesWithoutRegardToCase) {
    struct Case {
        const char* text;
        std::int32_t code;
    };
    for (const Case& c : {Case{"AVI", 1}, Case{"MPEG", 2}, Case{"WMV", 3}, Case{"MOV", 4}, Case{"FLV", 5},
                          Case{"RM", 6}, Case{"iPod", 7}, Case{"IPOD", 7}, Case{"PSP", 8}, Case{"MP4", 9},
                          Case{"wma", 10}, Case{"Mp3", 11}, Case{"AAC", 13}}) {
        EXPECT_EQ(MediaTypeTable::find(c.text), c.code) << c.text;
    }
    for (const char* unknown : {"", "MKV", " AVI", "AVI ", "MPEG4"}) {
        EXPECT_FALSE(MediaTypeTable::find(unknown).has_value()) << '"' << unknown << '"';
    }
    EXPECT_EQ(MediaTypeTable::rows().size(), 12U);
    EXPECT_TRUE(MediaTypeTable::isAudioOnly(kTargetWma));
    EXPECT_TRUE(MediaTypeTable::isAudioOnly(kTargetAac));
    EXPECT_FALSE(MediaTypeTable::isAudioOnly(kTargetPsp));
}

} // namespace
} // namespace morvane::profiles
