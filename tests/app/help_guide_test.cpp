#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "app/desktop_actions.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

const std::string& guide() {
    static const std::string text = test::readFile(MORVANE_HELP_SOURCE);
    return text;
}

std::set<std::string> matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it) {
        found.insert((*it)[1].str());
    }
    return found;
}

TEST(HelpGuide, IsInstalledWhereTheProgramLooks) {
    const std::string installed = helpFilePath(std::string(MORVANE_PROGRAM_DIR) + "/");
    ASSERT_TRUE(test::fileExists(installed)) << installed;
    EXPECT_EQ(test::readFile(installed), guide()) << "the build copies the current guide";
}

TEST(HelpGuide, EveryLinkLeadsSomewhereInside) {
    const auto& text = guide();
    const auto ids = matches(text, std::regex(R"re(id="([^"]+)")re"));
    const auto targets = matches(text, std::regex(R"re(href="([^"]*)")re"));
    ASSERT_FALSE(targets.empty());
    for (const auto& target : targets) {
        ASSERT_FALSE(target.empty());
        EXPECT_EQ(target.front(), '#') << target << ": the guide works offline and alone";
        EXPECT_TRUE(ids.count(target.substr(1))) << target << " has no section";
    }
}

TEST(HelpGuide, CoversWhatUsersAskAbout) {
    const auto& text = guide();
    for (const char* topic : {"Add", "Profile", "Start Time", "Start convert", "Stop convert", "Output",
                              "Split", "trace.flt", "config.ini", "Completed", "Fail", "Abort", "F1"}) {
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
    }
    // The contents at the top list every section.
    std::set<std::string> sections;
    for (const auto& id : matches(text, std::regex(R"re(<h2 id="([^"]+)")re"))) {
        sections.insert("#" + id);
    }
    EXPECT_EQ(sections, matches(text, std::regex(R"re(href="([^"]*)")re")));
    EXPECT_NE(text.find("<title>"), std::string::npos);
    EXPECT_NE(text.find("</html>"), std::string::npos);
}

} // namespace
} // namespace morvane::app
