// The profiles that ship in the program directory: each must parse cleanly and stay usable in the
// parameter panel, and together they must cover every target the converter can produce.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/media_type_table.h"
#include "profiles/profile_catalogue.h"
#include "realmedia/audience_table.h"
#include "tests/support/test_support.h"

namespace morvane::profiles {
namespace {

const std::string kSourceFolder = MORVANE_SHIPPED_PROFILES;
const std::string kInstalledFolder = MORVANE_INSTALLED_PROFILES;

struct Shipped {
    std::string fileName;
    Profile profile;
};

std::vector<Shipped> loadShipped() {
    std::vector<Shipped> all;
    ProfileCatalogue catalogue;
    catalogue.scan(kSourceFolder, "");
    for (const auto& name : catalogue.names()) {
        Shipped shipped;
        parseProfile(catalogue, name, shipped.profile);
        shipped.fileName = std::filesystem::path(shipped.profile.path).filename().string();
        all.push_back(std::move(shipped));
    }
    return all;
}

const std::vector<Shipped>& shipped() {
    static const std::vector<Shipped> all = loadShipped();
    return all;
}

std::string valueOf(const Profile& profile, const char* option) {
    const auto* param = profile.findParam(option);
    return param != nullptr ? param->value : std::string();
}

TEST(ShippedProfiles, EveryFileIsListedOnceUnderItsOwnName) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSourceFolder)) {
        files += entry.path().extension() == ".pf" ? 1 : 0;
    }
    ASSERT_GE(files, 50U);
    ASSERT_EQ(shipped().size(), files) << "a file without a Name would be missing from the list";
    std::set<std::string> names;
    for (const auto& s : shipped()) {
        EXPECT_TRUE(names.insert(s.profile.name).second) << "two files share the name " << s.profile.name;
    }
}

TEST(ShippedProfiles, ParseCleanly) {
    for (const auto& [fileName, profile] : shipped()) {
        SCOPED_TRACE(fileName);
        EXPECT_FALSE(profile.name.empty());
        EXPECT_FALSE(profile.SName.empty());
        EXPECT_FALSE(profile.Format.empty());
        EXPECT_FALSE(profile.ExtName.empty());
        EXPECT_EQ(profile.ExtName.find('.'), std::string::npos) << "the extension goes without its dot";
        EXPECT_GE(profile.QALevel, 0) << "every shipped profile states its variant";
        if (!profile.MediaType.empty()) {
            EXPECT_TRUE(profile.targetCode().has_value()) << "unknown MediaType " << profile.MediaType;
        }
        EXPECT_EQ(profile.isRealMedia(), profile.MediaType == "RM");
        EXPECT_EQ(static_cast<std::size_t>(profile.paramCount), profile.parameterKeys.size())
            << "every Parameter entry is accepted";
        EXPECT_GT(profile.paramCount, 0);
        for (const auto& [key, raw] : profile.parameterKeys) {
            EXPECT_NE(find(key).name, nullptr) << key << " is not an option of the converter";
        }
    }
}

// What the panel shows must be what the command builder gets back: a drop-down list selects by
// prefix, so a value must select itself, never a longer entry, and a fixed list must hold it.
TEST(ShippedProfiles, ListValuesSurviveThePanel) {
    for (const auto& [fileName, profile] : shipped()) {
        for (const auto& param : profile.chain()) {
            if (!param.isList()) {
                EXPECT_TRUE(param.choiceText.empty())
                    << fileName << ": " << param.name << " is a text setting";
                continue;
            }
            SCOPED_TRACE(fileName + ": " + param.name + "=" + param.value);
            const auto choices = offeredChoices(param);
            EXPECT_FALSE(choices.empty());
            const int index = findChoiceByPrefix(choices, param.value);
            if (index >= 0) {
                EXPECT_EQ(choices[static_cast<std::size_t>(index)], param.value);
            } else {
                EXPECT_EQ(param.kind, OptionKind::EditableList) << "a fixed list must offer its value";
            }
            EXPECT_EQ(std::set<std::string>(choices.begin(), choices.end()).size(), choices.size())
                << "duplicates";
        }
    }
}

TEST(ShippedProfiles, CoverEveryTargetAndVariant) {
    std::map<std::string, std::set<std::int32_t>> variants; // MediaType -> QALevels
    std::map<std::string, std::set<std::string>> codecs;    // MediaType -> vcodec values
    int general = 0;
    for (const auto& [fileName, profile] : shipped()) {
        if (profile.MediaType.empty()) {
            ++general;
            continue;
        }
        variants[profile.MediaType].insert(profile.QALevel);
        codecs[profile.MediaType].insert(valueOf(profile, "vcodec"));
    }
    using Levels = std::set<std::int32_t>;
    const auto includes = [](const auto& have, const auto& want) {
        return std::includes(have.begin(), have.end(), want.begin(), want.end());
    };
    EXPECT_TRUE(includes(variants["AVI"], Levels{0, 1, 2, 3}));
    EXPECT_TRUE(codecs["AVI"].count("h264"));
    EXPECT_TRUE(
        includes(codecs["MPEG"], std::set<std::string>{"mpeg1video", "mpeg2video", "pal-dvd", "ntsc-dvd",
                                                       "pal-vcd", "ntsc-vcd", "pal-svcd", "ntsc-svcd"}));
    EXPECT_TRUE(includes(codecs["WMV"], std::set<std::string>{"wmv1", "wmv2", "msmpeg4v2"}));
    EXPECT_TRUE(includes(variants["MOV"], Levels{0, 1}));
    EXPECT_TRUE(includes(variants["FLV"], Levels{0, 1}));
    EXPECT_TRUE(includes(variants["PSP"], Levels{1, 2, 3, 4, 5, 6, 7}));
    // One iPod profile per distinct tuning: {0,1,12}, {2,3}, {4,5,6,7,9}, 8, 10 and 11.
    for (const Levels& tuning :
         {Levels{0, 1, 12}, Levels{2, 3}, Levels{4, 5, 6, 7, 9}, Levels{8}, Levels{10}, Levels{11}}) {
        EXPECT_TRUE(
            std::any_of(tuning.begin(), tuning.end(), [&](int v) { return variants["iPod"].count(v) > 0; }));
    }
    EXPECT_TRUE(variants["iPod"].count(12)) << "the QuickTime iPod variant";
    // MP4 target: 3GP, 3G2, .avi, .wmv, .mpg, .mov and .mp4 outputs.
    EXPECT_TRUE(includes(variants["MP4"], Levels{0, 1, 2, 4, 7, 8}));
    EXPECT_TRUE(
        std::any_of(variants["MP4"].begin(), variants["MP4"].end(), [](int v) { return v == 5 || v == 6; }));
    EXPECT_TRUE(includes(codecs["MP4"], std::set<std::string>{"h264", "mpeg4", "h263"}));
    for (const char* audio : {"MP3", "WMA", "AAC"}) {
        EXPECT_FALSE(variants[audio].empty()) << audio;
    }
    EXPECT_GE(codecs["RM"].size(), 3U) << "several RealMedia audiences";
    EXPECT_GE(general, 2) << "profiles for the general option path";
}

// Fixed by the formats themselves; the converter rejects anything else.
TEST(ShippedProfiles, RespectTheFormatsLimits) {
    // The RealMedia encoder knows these audiences; any other name falls back to the first one.
    const std::set<std::string_view> kAudiences(realmedia::AudienceTable::kNames.begin(),
                                                realmedia::AudienceTable::kNames.end());
    for (const auto& [fileName, profile] : shipped()) {
        SCOPED_TRACE(fileName);
        const auto code = profile.targetCode();
        const std::string vcodec = valueOf(profile, "vcodec");
        if (code == kTargetRealMedia) {
            ASSERT_NE(profile.findParam("vcodec"), nullptr);
            for (const auto& audience : offeredChoices(*profile.findParam("vcodec"))) {
                EXPECT_TRUE(kAudiences.count(audience)) << "not an audience: " << audience;
            }
            for (const auto& offered : offeredChoices(*profile.findParam("s"))) {
                const auto x = offered.find('x');
                ASSERT_NE(x, std::string::npos) << offered;
                EXPECT_EQ(std::stoi(offered.substr(0, x)) % 16, 0)
                    << offered << ": RealVideo 1 codes whole macroblocks";
                EXPECT_EQ(std::stoi(offered.substr(x + 1)) % 16, 0) << offered;
            }
        }
        if (vcodec == "h263") {
            for (const auto& choice : offeredChoices(*profile.findParam("s"))) {
                EXPECT_TRUE(choice == "128x96" || choice == "176x144" || choice == "352x288") << choice;
            }
        }
        if (code == kTargetFlv) {
            for (const auto& rate : offeredChoices(*profile.findParam("ar"))) {
                EXPECT_TRUE(rate == "11025" || rate == "22050" || rate == "44100") << rate;
            }
        }
        if (vcodec == "pal-vcd" || vcodec == "ntsc-vcd") {
            EXPECT_TRUE(profile.findParam("b")->isReadOnly());
            EXPECT_LE(std::stoi(valueOf(profile, "b")), 1150) << "above the VCD maximum rate";
        }
        if (code && MediaTypeTable::isAudioOnly(*code)) {
            EXPECT_EQ(profile.videoCount, 0) << "audio targets build no video arguments";
        } else if (code && *code != kTargetRealMedia) {
            for (const char* needed : {"vcodec", "s", "b", "r", "ab", "ar", "ac"}) {
                EXPECT_NE(profile.findParam(needed), nullptr)
                    << "the job default for " << needed << " does not fit";
            }
        }
    }
}

TEST(ShippedProfiles, AreInstalledIntoTheProgramDirectory) {
    if (!std::filesystem::is_directory(kInstalledFolder)) {
        GTEST_SKIP() << "the data target has not been built";
    }
    for (const auto& entry : std::filesystem::directory_iterator(kSourceFolder)) {
        const auto installed = kInstalledFolder + "/" + entry.path().filename().string();
        ASSERT_TRUE(test::fileExists(installed)) << installed;
        EXPECT_EQ(test::readFile(installed), test::readFile(entry.path().string())) << installed;
    }
    for (const auto& entry : std::filesystem::directory_iterator(kInstalledFolder)) {
        EXPECT_TRUE(test::fileExists(kSourceFolder + "/" + entry.path().filename().string()))
            << "stale profile " << entry.path();
    }
}

} // namespace
} // namespace morvane::profiles
