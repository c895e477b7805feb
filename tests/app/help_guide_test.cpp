#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "app/batch_driver.h"
#include "app/configure_dialog.h"
#include "app/desktop_actions.h"
#include "engine/quillon_media_cntl.h"
#include "platform/program_dir.h"
#include "tests/app/batch_fakes.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

const std::string& guide() {
    static const std::string text = morvane::test::readFile(MORVANE_HELP_SOURCE);
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
    ASSERT_TRUE(morvane::test::fileExists(installed)) << installed;
    EXPECT_EQ(morvane::test::readFile(installed), guide()) << "the build copies the current guide";
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

// The guide's passages about what a batch does, by their data-check names, with the tags taken out.
std::map<std::string, std::string> checkedPassages(const std::string& text) {
    std::map<std::string, std::string> passages;
    const std::regex span(R"re(<span data-check="([^"]+)">([\s\S]*?)</span>)re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), span); it != std::sregex_iterator(); ++it) {
        std::string plain = std::regex_replace((*it)[2].str(), std::regex("<[^>]*>"), "");
        plain = std::regex_replace(plain, std::regex(R"(\s+)"), " ");
        passages[(*it)[1].str()] = plain;
    }
    return passages;
}

// A batch with the encoder fakes, to hold the guide against what the driver does.
class GuideAgainstTheDriver : public ::testing::Test {
protected:
    GuideAgainstTheDriver() : facade(test::fakeFactory(log)) {
        platform::setProgramDirectory(programDir.path());
        record.programDirectory = programDir.path() + "/";
        view.output = outputDir.path();
        driver = std::make_unique<BatchDriver>(view, facade, record, power, programDir.path() + "/",
                                               outputDir.path());
        EXPECT_EQ(facade.Init(&record), 1);
        for (const char* name : {"one.avi", "two.avi", "three.avi", "four.avi"}) {
            view.addRow(sources.file(name), "avi", "AVI");
        }
    }
    ~GuideAgainstTheDriver() override {
        driver.reset();
        facade.Release();
        platform::setProgramDirectory("");
    }

    morvane::test::TempDir programDir;
    morvane::test::TempDir outputDir;
    morvane::test::TempDir sources;
    morvane::test::RecordingPowerControl power;
    test::FakeEncoderLog log;
    test::RecordingView view;
    engine::EncoderInitRecord record;
    engine::CQuillonMediaCntl facade;
    std::unique_ptr<BatchDriver> driver;
};

TEST_F(GuideAgainstTheDriver, TheSimultaneousCountIsHowManyConvertAtOnce) {
    const ConfigureValues values;
    const int count = simultaneousConversions(values.processCount);
    driver->setSimultaneous(count);
    {
        const std::lock_guard lock(log.mutex);
        log.script.assign(4, test::FakeRun::WaitsForGate);
    }
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning(count));
    {
        const std::lock_guard lock(log.mutex);
        EXPECT_EQ(log.running, count) << "that many at once, no more";
    }
    log.openGate();
    driver->wait();

    const auto passages = checkedPassages(guide());
    const std::map<int, std::string> words{{1, "one"}, {2, "two"}, {3, "three"}, {4, "four"}};
    EXPECT_EQ(passages.at("simultaneous-default"),
              words.at(count) + " at a time unless you change the Simultaneous process count");
    EXPECT_EQ(passages.at("simultaneous"), "as many at once as the Simultaneous process count says");
    EXPECT_EQ(passages.at("count"),
              "The count, from " + std::to_string(ConfigureValues::kLowestCount) + " to " +
                  std::to_string(ConfigureValues::kHighestCount) + " and " +
                  std::to_string(values.processCount) +
                  " when the program starts, is how many files a batch converts at once");
}

TEST_F(GuideAgainstTheDriver, AStopEndsWhatRunsAbortsTheNextRowAndLeavesTheRest) {
    driver->setSimultaneous(1);
    {
        const std::lock_guard lock(log.mutex);
        log.script.assign({test::FakeRun::WaitsForStop});
    }
    ASSERT_TRUE(driver->startRequest());
    ASSERT_TRUE(log.waitUntilRunning());
    driver->stopRequest();
    driver->wait();
    EXPECT_EQ(log.stopRequests, 1) << "the conversion under way was stopped";
    EXPECT_EQ(view.status(1), "Abort");
    for (int row = 2; row < view.rowCount(); ++row) {
        EXPECT_EQ(view.status(row), "Ready");
        EXPECT_TRUE(view.isChecked(row)) << "for the next Start";
    }
    EXPECT_EQ(
        checkedPassages(guide()).at("stop"),
        "every conversion under way ends at once and the next checked row is marked Abort; the rows below "
        "it keep their check marks, so the next Start converts them");
}

TEST(HelpGuide, EverySentenceOnHowManyRunAndWhatAStopDoesIsHeldAgainstTheProgram) {
    // Such claims outside a checked passage would go stale unseen.
    const auto& text = guide();
    const std::regex spans(R"re(<span data-check="[^"]+">[\s\S]*?</span>)re");
    const std::string unchecked = std::regex_replace(text, spans, "");
    for (const char* claim :
         {"at once", "at a time", "one after another", "remaining rows", "whatever it says"}) {
        EXPECT_EQ(unchecked.find(claim), std::string::npos) << claim;
    }
    EXPECT_EQ(checkedPassages(text).size(), 4U);
}

} // namespace
} // namespace morvane::app
