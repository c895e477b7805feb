// config.ini and profile files that are binary garbage, empty or 10 MB long: the program starts,
// lists what it can read, converts with what is sound and never writes config.ini.
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "tests/hardening/hardening_env.h"

namespace morvane::hardening {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kTenMegabytes = 10U * 1024U * 1024U;

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

// Lines of keys nobody reads until the text is `size` bytes long.
std::string fillerLines(std::size_t size, const std::string& keyPrefix) {
    std::string text;
    text.reserve(size + 64);
    for (int i = 0; text.size() < size; ++i) {
        text += keyPrefix + std::to_string(i) + "=,,filler value that nobody reads\n";
    }
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        result.push_back(text.substr(start, end - start));
    }
    return result;
}

class BadSettings : public HardeningTest {
protected:
    void SetUp() override {
        HardeningTest::SetUp();
        makeClip("clip.mov", 1.0);
        const auto listed = batch({"--list-profiles"});
        ASSERT_EQ(listed.exitCode, 0) << shown(listed);
        m_shipped = lines(listed.out);
        ASSERT_GT(m_shipped.size(), 50u);
    }

    test::WatchOptions quick() const {
        auto watch = options();
        watch.timeLimit = 60s;
        return watch;
    }

    void expectEveryShippedProfileListed() {
        const auto run = batch({"--list-profiles"}, quick());
        ASSERT_EQ(run.exitCode, 0) << shown(run);
        const auto listed = lines(run.out);
        for (const auto& name : m_shipped) {
            EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
        }
    }

    void expectConversionWithAShippedProfile(const std::string& folder) {
        const auto run = batch({"-p", kFastProfile, "-o", folder, "clip.mov"}, quick());
        EXPECT_EQ(run.exitCode, 0) << shown(run);
        EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos) << shown(run);
        EXPECT_TRUE(fs::exists(folder + "/clip" + kFastSuffix));
    }

    std::vector<std::string> m_shipped;
};

TEST_F(BadSettings, ConfigFilesThatAreGarbageEmptyOrHuge) {
    struct Case {
        const char* what;
        std::string text;
    };
    const std::string configured = home.path() + "/configured";
    const Case cases[] = {
        {"binary garbage", randomBytes(1024 * 1024, 7)},
        {"empty", ""},
        {"10 MB of keys before the real ones",
         "[Config]\n" + fillerLines(kTenMegabytes, "Unused") + "ProfileID=1\nOutput=" + configured + "\n"},
        {"one 10 MB value", "[Config]\nProfileID=" + std::string(kTenMegabytes, '9') +
                                "\nOutput=" + configured + "\nSoftName=" + randomBytes(4096, 3) + "\n"},
        {"10 MB of garbage after a sound section",
         "[Config]\nProfileID=1\nOutput=" + configured + "\n" + randomBytes(kTenMegabytes, 11)},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::writeFile(bin() + "/config.ini", c.text);
        expectEveryShippedProfileListed();
        expectConversionWithAShippedProfile(output() + "/" + std::to_string(++round));

        // Without a profile and a folder the program takes what config.ini says, or says what is
        // missing; it neither crashes nor hangs.
        const auto run = batch({"clip.mov"}, quick());
        EXPECT_FALSE(run.timedOut) << shown(run);
        if (run.exitCode == 2) {
            EXPECT_NE(run.err.find("no profile is chosen in config.ini"), std::string::npos) << shown(run);
        } else {
            EXPECT_EQ(run.exitCode, 0) << shown(run);
            EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos) << shown(run);
        }
        EXPECT_EQ(test::readFile(bin() + "/config.ini"), c.text) << "config.ini is only read";
    }
    // The keys after 10 MB of others count.
    EXPECT_FALSE(folderNames(configured).empty());
}

TEST_F(BadSettings, ProfileFilesThatAreGarbageEmptyOrHuge) {
    const std::string shipped =
        test::readFile(std::string(MORVANE_PROGRAM_DIR) + "/profiles/" + "21-mp4player-4-mpg-320x240.pf");
    ASSERT_NE(shipped.find(kFastProfile), std::string::npos);
    std::string huge = shipped;
    huge.replace(huge.find(kFastProfile), std::string(kFastProfile).size(), "Huge profile");
    huge += "\n" + fillerLines(kTenMegabytes, "option");
    const std::string folder = bin() + "/profiles/";
    test::writeFile(folder + "zz-garbage.pf", randomBytes(1024 * 1024, 5));
    test::writeFile(folder + "zz-empty.pf", "");
    test::writeFile(folder + "zz-huge.pf", huge);
    test::writeFile(folder + "zz-long-name.pf", "[Main]\nName=" + std::string(kTenMegabytes, 'N') + "\n");
    test::writeFile(folder + "zz-garbage-after-name.pf",
                    "[Main]\nName=Garbage profile\n" + randomBytes(kTenMegabytes, 9));

    expectEveryShippedProfileListed();
    expectConversionWithAShippedProfile(output() + "/shipped");

    const auto listed = batch({"--list-profiles"}, quick());
    EXPECT_NE(listed.out.find("\nHuge profile\n"), std::string::npos) << shown(listed);

    const auto shown10 = batch({"--show-profile", "Huge profile"}, quick());
    EXPECT_FALSE(shown10.timedOut) << "a profile of 10 MB is read in time";
    EXPECT_EQ(shown10.exitCode, 0) << shown(shown10);
    EXPECT_NE(shown10.out.find("Name: Huge profile\n"), std::string::npos) << shown(shown10);

    const auto huge10 = batch({"-p", "Huge profile", "-o", output() + "/huge", "clip.mov"}, quick());
    EXPECT_EQ(huge10.exitCode, 0) << shown(huge10);
    EXPECT_NE(huge10.out.find("clip.mov: Completed"), std::string::npos) << shown(huge10);

    // A profile with a name and nothing sound after it: the conversion fails or succeeds, with a
    // clear word either way.
    const auto garbage = batch({"-p", "Garbage profile", "-o", output() + "/garbage", "clip.mov"}, quick());
    EXPECT_FALSE(garbage.timedOut) << shown(garbage);
    if (garbage.exitCode != 0) {
        expectFailedRow(garbage, "clip.mov");
    }
}

// A user's profile copied from a shipped one, Name and file name kept, bit rate changed: both are
// listed apart, a name or id that could mean either is refused, and each entry converts with its file.
TEST_F(BadSettings, ProfilesSharingANameAreListedApartAndNeverGuessed) {
    const std::string file = "21-mp4player-4-mpg-320x240.pf";
    const std::string user = home.path() + "/share/morvane/profiles/";
    fs::create_directories(user);
    std::string text = test::readFile(bin() + "/profiles/" + file);
    ASSERT_NE(text.find("\nb=,,768\n"), std::string::npos);
    text.replace(text.find("\nb=,,768\n"), 9, "\nb=,,500\n");
    test::writeFile(user + file, text);
    auto watch = quick();
    watch.environment.push_back("XDG_DATA_HOME=" + home.path() + "/share");
    const std::string shipped = std::string(kFastProfile) + " (" + file + ")";
    const std::string mine = std::string(kFastProfile) + " (" + user + file + ")";

    const auto listed = batch({"--list-profiles"}, watch);
    EXPECT_NE(listed.out.find("\n" + shipped + "\n"), std::string::npos) << shown(listed);
    EXPECT_NE(listed.out.find("\n" + mine + "\n"), std::string::npos) << shown(listed);
    for (const std::string& ambiguous : {std::string(kFastProfile), file.substr(0, file.size() - 3)}) {
        const auto run = batch({"-p", ambiguous, "-o", output(), "clip.mov"}, watch);
        EXPECT_EQ(run.exitCode, 2) << shown(run);
        EXPECT_NE(run.err.find("\"" + ambiguous + "\" could be any of 2 profiles:\n  " + shipped),
                  std::string::npos)
            << shown(run);
    }
    for (const auto& [entry, rate] :
         {std::pair{shipped, std::string("768")}, std::pair{mine, std::string("500")}}) {
        const auto run = batch({"-p", entry, "-o", output() + "/" + rate, "clip.mov"}, watch);
        EXPECT_EQ(run.exitCode, 0) << shown(run);
        EXPECT_NE(trace().find(" -b " + rate + "k "), std::string::npos) << trace();
    }
}

TEST_F(BadSettings, RelativeOutputFolderIsBelowTheProgramDirectory) {
    test::writeFile(bin() + "/config.ini", "[Config]\nOutput=converted\n");
    const auto run = batch({"-p", kFastProfile, "clip.mov"}, quick());
    EXPECT_EQ(run.exitCode, 0) << shown(run);
    EXPECT_TRUE(test::fileExists(bin() + "/converted/clip" + kFastSuffix)) << shown(run);
}

// config.ini, trace.flt, input.avs and profiles that are named pipes, folders or links: nothing
// waits for a writer or a reader, and nothing is written through a link.
TEST_F(BadSettings, ProgramFilesThatAreNotRegularFiles) {
    ASSERT_EQ(::mkfifo((bin() + "/config.ini").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((bin() + "/trace.flt").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((bin() + "/profiles/zz-pipe.pf").c_str(), 0644), 0);
    fs::create_directory(bin() + "/profiles/zz-folder.pf");
    expectEveryShippedProfileListed();
    expectConversionWithAShippedProfile(output() + "/pipes");

    // The frame-server route writes input.avs.
    fs::remove(bin() + "/config.ini");
    test::writeFile(bin() + "/config.ini", "[Config]\nForceAVS=TRUE\n");
    fs::remove(bin() + "/trace.flt");
    fs::create_directory(bin() + "/trace.flt");
    ASSERT_EQ(::mkfifo((bin() + "/input.avs").c_str(), 0644), 0);
    expectConversionWithAShippedProfile(output() + "/script-pipe");
    EXPECT_NE(test::readFile(bin() + "/input.avs").find(clip("clip.mov")), std::string::npos)
        << "the converter read the clip through the script";

    const std::string own = home.path() + "/own.txt";
    test::writeFile(own, "a file of the user's own");
    fs::remove(bin() + "/input.avs");
    fs::create_symlink(own, bin() + "/input.avs");
    expectConversionWithAShippedProfile(output() + "/script-link");
    EXPECT_EQ(test::readFile(own), "a file of the user's own");
    EXPECT_FALSE(fs::is_symlink(bin() + "/input.avs"));
}

} // namespace
} // namespace morvane::hardening
