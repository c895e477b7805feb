#include "profiles/profile_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "tests/support/test_support.h"

namespace morvane::profiles {
namespace {

using Names = std::vector<std::string>;

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(folder()); }

    std::string folder() const { return m_dir.file("profiles"); }
    std::string config() const { return m_dir.file("config.ini"); }
    std::string profileFile(const std::string& fileName) const { return folder() + "/" + fileName; }

    void addProfile(const std::string& fileName, const std::string& name,
                    const std::string& extra = "") const {
        test::writeFile(profileFile(fileName), "[Main]\nName=" + name + "\nSName=" + fileName + "\n" + extra);
    }

    test::TempDir m_dir;
};

TEST_F(CatalogueTest, ListsProfileFilesInFileNameByteOrder) {
    addProfile("b.pf", "Bee");
    addProfile("a.pf", "Ay");
    addProfile("B.pf", "Capital Bee");
    addProfile("_x.pf", "Underscore");
    addProfile("\xC3\xA4.pf", "Umlaut");
    addProfile("10.pf", "Ten");
    addProfile("9.pf", "Nine");
    addProfile("upper.PF", "Upper extension");
    addProfile("notes.txt", "Not a profile");
    addProfile("old.pf.bak", "Backup");
    addProfile("pf", "No dot");
    std::filesystem::create_directory(profileFile("folder.pf"));

    ProfileCatalogue catalogue;
    EXPECT_EQ(catalogue.scan(folder(), config()), 8U);
    EXPECT_EQ(catalogue.names(),
              (Names{"Ten", "Nine", "Capital Bee", "Underscore", "Ay", "Bee", "Upper extension", "Umlaut"}));
    EXPECT_EQ(catalogue.pathOf("Ay"), profileFile("a.pf"));
    EXPECT_EQ(catalogue.pathOf("Not a profile"), "");
    EXPECT_EQ(catalogue.scan(folder() + "/", config()), 8U) << "a final separator changes nothing";
    EXPECT_EQ(catalogue.pathOf("Ay"), profileFile("a.pf"));
}

TEST_F(CatalogueTest, ShippedFolderFirstThenTheUsersOwnAndAMissingFolderIsNoProfiles) {
    addProfile("b.pf", "Shipped Bee");
    addProfile("a.pf", "Shipped Ay");
    const std::string user = m_dir.file("user");
    std::filesystem::create_directory(user);
    test::writeFile(user + "/0.pf", "[Main]\nName=Mine\n");

    ProfileCatalogue catalogue;
    EXPECT_EQ(catalogue.scan(std::vector<std::string>{folder(), user, m_dir.file("missing")}, config()), 3U);
    EXPECT_EQ(catalogue.names(), (Names{"Shipped Ay", "Shipped Bee", "Mine"}));
    EXPECT_EQ(catalogue.pathOf("Mine"), user + "/0.pf");
    EXPECT_EQ(catalogue.currentIndex(), 0);
}

TEST_F(CatalogueTest, SharedNamesAreListedApartEachLeadingToItsOwnFile) {
    addProfile("1.pf", "Same");
    addProfile("2.pf", "Other");
    addProfile("3.pf", "Same");
    addProfile("4.pf", "Same (1.pf)"); // a Name that looks like an entry made for a shared one
    addProfile("5.pf", "Same (1.pf)");
    const std::string user = m_dir.file("user");
    std::filesystem::create_directory(user);
    test::writeFile(user + "/3.pf", "[Main]\nName=Same\nSName=user 3.pf\n");

    ProfileCatalogue catalogue;
    catalogue.scan(std::vector<std::string>{folder(), user}, config());
    const Names expected{"Same (" + profileFile("1.pf") + ")",
                         "Other",
                         "Same (3.pf)",
                         "Same (1.pf) (4.pf)",
                         "Same (1.pf) (5.pf)",
                         "Same (" + user + "/3.pf)"};
    EXPECT_EQ(catalogue.names(), expected);
    EXPECT_EQ(catalogue.paths().size(), expected.size());
    EXPECT_EQ(catalogue.entriesNamed("Same"), (Names{expected[0], expected[2], expected[5]}));
    EXPECT_EQ(catalogue.entriesNamed("Other"), Names{});

    for (const auto& [index, sname] : {std::pair{2, "3.pf"}, std::pair{5, "user 3.pf"}}) {
        ASSERT_TRUE(catalogue.selectProfile(index, config()));
        Profile profile;
        ASSERT_TRUE(parseProfile(catalogue, catalogue.currentName(), profile));
        EXPECT_EQ(profile.SName, sname);
        EXPECT_EQ(profile.name, expected[static_cast<std::size_t>(index)]);
    }
}

TEST_F(CatalogueTest, FilesWithoutANameAreNotListed) {
    addProfile("1.pf", "");
    test::writeFile(profileFile("2.pf"), "[Main]\nSName=x\n[Parameter]\nb=,,1000\n");
    test::writeFile(profileFile("3.pf"), "");
    test::writeFile(profileFile("4.pf"), "[Parameter]\nName=Wrong section\n");
    test::writeFile(profileFile("5.pf"), "[main]\nNAME = Any case \n");
    addProfile("6.pf", std::string(400, 'n'));

    ProfileCatalogue catalogue;
    catalogue.scan(folder(), config());
    EXPECT_EQ(catalogue.names(), (Names{"Any case", std::string(ProfileCatalogue::kNameChars, 'n')}));
}

TEST_F(CatalogueTest, SelectsTheRememberedPosition) {
    addProfile("a.pf", "A");
    addProfile("b.pf", "B");
    addProfile("c.pf", "C");
    struct Case {
        const char* config; // nullptr: no config.ini at all
        int index;
        const char* name;
    };
    for (const Case& c : {Case{nullptr, 0, "A"}, Case{"[Config]\nProfileID=2\n", 2, "C"},
                          Case{"[Config]\nProfileID=3\n", -1, ""}, Case{"[Config]\nProfileID=-1\n", -1, ""},
                          Case{"[Config]\nProfileID=abc\n", 0, "A"}, Case{"[Config]\nProfileID=1x\n", 1, "B"},
                          Case{"[Config]\nOutput=/tmp\n", 0, "A"}, Case{"[Other]\nProfileID=2\n", 0, "A"},
                          Case{"[Config]\nProfileID=000000002\n", 0, "A"}}) {
        SCOPED_TRACE(c.config != nullptr ? c.config : "no config.ini");
        std::filesystem::remove(config());
        if (c.config != nullptr) {
            test::writeFile(config(), c.config);
        }
        ProfileCatalogue catalogue;
        catalogue.scan(folder(), config());
        EXPECT_EQ(catalogue.currentIndex(), c.index);
        EXPECT_EQ(catalogue.currentName(), c.name);
    }
}

TEST_F(CatalogueTest, SelectingAProfileRemembersItsPosition) {
    addProfile("a.pf", "A");
    addProfile("b.pf", "B");
    test::writeFile(config(), "[Config]\r\nSoftName=Morvane\r\nProfileID=0\r\nOutput=/videos\r\n");

    ProfileCatalogue catalogue;
    catalogue.scan(folder(), config());
    ASSERT_TRUE(catalogue.selectProfile(1, config()));
    EXPECT_EQ(catalogue.currentName(), "B");
    EXPECT_EQ(test::readFile(config()), "[Config]\r\nSoftName=Morvane\r\nProfileID=1\r\nOutput=/videos\r\n");

    EXPECT_FALSE(catalogue.selectProfile(2, config()));
    EXPECT_FALSE(catalogue.selectProfile(-1, config()));
    EXPECT_EQ(catalogue.currentIndex(), -1);
    EXPECT_EQ(catalogue.currentName(), "");
    EXPECT_EQ(platform::iniReadString(config(), "Config", "ProfileID", "", 8), "1") << "nothing written";

    ProfileCatalogue next;
    next.scan(folder(), config());
    EXPECT_EQ(next.currentName(), "B");
}

TEST_F(CatalogueTest, SelectingCreatesTheConfigFileWhenMissing) {
    addProfile("a.pf", "A");
    ProfileCatalogue catalogue;
    catalogue.scan(folder(), config());
    ASSERT_TRUE(catalogue.selectProfile(0, config()));
    EXPECT_EQ(platform::iniReadString(config(), "Config", "ProfileID", "", 8), "0");
}

TEST_F(CatalogueTest, WithoutAProfilesFolderNothingIsListed) {
    ProfileCatalogue catalogue;
    EXPECT_EQ(catalogue.scan(m_dir.file("missing"), config()), 0U);
    EXPECT_TRUE(catalogue.empty());
    EXPECT_EQ(catalogue.currentIndex(), -1);
    EXPECT_EQ(catalogue.currentName(), "");

    Profile profile;
    profile.SName = "kept";
    EXPECT_FALSE(parseProfile(catalogue, catalogue.currentName(), profile)) << "an empty name fails";
    EXPECT_EQ(profile.SName, "kept");

    test::writeFile(m_dir.file("plain-file"), "x");
    EXPECT_EQ(catalogue.scan(m_dir.file("plain-file"), config()), 0U);
}

TEST_F(CatalogueTest, RescanningReplacesTheEarlierList) {
    addProfile("a.pf", "A");
    ProfileCatalogue catalogue;
    catalogue.scan(folder(), config());
    std::filesystem::remove(profileFile("a.pf"));
    addProfile("b.pf", "B");
    catalogue.scan(folder(), config());
    EXPECT_EQ(catalogue.names(), Names{"B"});
    EXPECT_FALSE(catalogue.contains("A"));
}

TEST_F(CatalogueTest, ParsingAnUnlistedNameGivesAProfileWithoutContent) {
    addProfile("a.pf", "A", "QALevel=3\n[Parameter]\nb=,,1000\n");
    ProfileCatalogue catalogue;
    catalogue.scan(folder(), config());

    Profile profile;
    ASSERT_TRUE(parseProfile(catalogue, "A", profile));
    EXPECT_EQ(profile.path, profileFile("a.pf"));
    EXPECT_EQ(profile.QALevel, 3);
    EXPECT_EQ(profile.paramCount, 1);

    ASSERT_TRUE(parseProfile(catalogue, "a", profile)) << "display names match exactly";
    EXPECT_EQ(profile.name, "a");
    EXPECT_EQ(profile.path, "");
    EXPECT_EQ(profile.QALevel, -1);
    EXPECT_EQ(profile.paramCount, 0);

    std::filesystem::remove(profileFile("a.pf"));
    ASSERT_TRUE(parseProfile(catalogue, "A", profile));
    EXPECT_EQ(profile.paramCount, 0);
}

TEST(ProfileCatalogueFolder, IsTheProfilesFolderOfTheProgramDirectory) {
    EXPECT_EQ(ProfileCatalogue::folderOf("/opt/morvane/"), "/opt/morvane/profiles/");
    EXPECT_EQ(ProfileCatalogue::folderOf("/opt/morvane"), "/opt/morvane/profiles/");
}

} // namespace
} // namespace morvane::profiles
