#include "app/batch_cli.h"
#include "app/cli_batch_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "profiles/profile_catalogue.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

TEST(BatchCli, ParsesEveryMode) {
    auto parsed = parseCliArguments({"-p", "MP4 H.264", "-o", "out", "--start", "0:0:2", "--end", "00:01:00",
                                     "a.avi", "--", "-dash.avi"});
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->mode, CliRequest::Mode::Convert);
    EXPECT_EQ(parsed->profile, "MP4 H.264");
    EXPECT_EQ(parsed->outputFolder, "out");
    EXPECT_EQ(parsed->start, "00:00:02");
    EXPECT_EQ(parsed->end, "00:01:00");
    EXPECT_EQ(parsed->files, (std::vector<std::string>{"a.avi", "-dash.avi"}));

    EXPECT_EQ(parseCliArguments({"--list-profiles"})->mode, CliRequest::Mode::ListProfiles);
    EXPECT_EQ(parseCliArguments({"--show-profile", "X"})->profile, "X");
    EXPECT_EQ(parseCliArguments({"--probe", "a", "b"})->files.size(), 2U);
    EXPECT_EQ(parseCliArguments({"--version"})->mode, CliRequest::Mode::Version);
    EXPECT_EQ(parseCliArguments({"x.avi", "--help"})->mode, CliRequest::Mode::Help);
}

TEST(BatchCli, RejectsBadUsageWithAReason) {
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } bad[] = {
        {{}, "no FILE given"},
        {{"-p"}, "-p needs a value"},
        {{"a.avi", "--show-profile"}, "--show-profile needs a value"},
        {{"--start", "12:30", "a.avi"}, "--start takes a time as HH:MM:SS, not \"12:30\""},
        {{"--start", "-00:00:01", "a.avi"}, "--start cannot be negative: \"-00:00:01\""},
        {{"--end", "-1:00:00", "a.avi"}, "--end cannot be negative: \"-1:00:00\""},
        {{"--end", "00:-1:00", "a.avi"}, "--end takes a time as HH:MM:SS, not \"00:-1:00\""},
        {{"--start", "+00:00:01", "a.avi"}, "--start takes a time as HH:MM:SS, not \"+00:00:01\""},
        {{"--start", " 00:00:01", "a.avi"}, "--start takes a time as HH:MM:SS, not \" 00:00:01\""},
        {{"--end", "00:00:01x", "a.avi"}, "--end takes a time as HH:MM:SS, not \"00:00:01x\""},
        {{"--end", "0:0:1:2", "a.avi"}, "--end takes a time as HH:MM:SS, not \"0:0:1:2\""},
        {{"--bogus", "a.avi"}, "unknown option --bogus"},
        {{"--probe"}, "--probe needs at least one FILE"},
        {{"--list-profiles", "a.avi"}, "unexpected argument a.avi"},
        {{"--list-profiles", "--probe", "a"}, "--probe cannot be combined with another mode"},
        {{"--probe", "--show-profile", "X"}, "--show-profile cannot be combined with another mode"},
        {{"--probe", "-o", "x", "a"}, "-p, -o, -j, --start and --end go with conversions only"},
        {{"-o", "", "a.avi"}, "the output folder must not be empty"},
        {{"--list-profiles", "-j", "2"}, "-p, -o, -j, --start and --end go with conversions only"},
        {{"--probe", "--journal", "j", "a"}, "--journal goes with conversions only"},
        {{"--journal", "", "a.avi"}, "the journal file must not be empty"},
        {{"a.avi", "--journal"}, "--journal needs a value"},
    };
    for (const auto& c : bad) {
        const auto parsed = parseCliArguments(c.args);
        EXPECT_FALSE(parsed) << c.reason;
        EXPECT_EQ(parsed.error(), c.reason);
    }
    // After "--" everything is a file, options included; "-" alone is a file too.
    const auto files = parseCliArguments({"-", "--", "-p", "--help"});
    ASSERT_TRUE(files) << files.error();
    EXPECT_EQ(files->files, (std::vector<std::string>{"-", "-p", "--help"}));
}

TEST(BatchCli, JobsTakeACountFromOneToSixteen) {
    EXPECT_FALSE(parseCliArguments({"a.avi"})->jobs);
    for (const auto& [args, jobs] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"-j", "1", "a"}, 1}, {{"--jobs", "16", "a"}, 16}, {{"-j3", "a"}, 3}, {{"a", "-j", "4"}, 4}}) {
        const auto parsed = parseCliArguments(args);
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_EQ(parsed->jobs, jobs);
    }
    for (const std::string bad : {"0", "17", "-1", "two", "2x", " 2", "", "99999999999"}) {
        const auto parsed = parseCliArguments({"-j", bad, "a.avi"});
        ASSERT_FALSE(parsed) << bad;
        EXPECT_EQ(parsed.error(),
                  "-j takes how many files to convert at once, from 1 to 16, not \"" + bad + "\"");
    }
    EXPECT_EQ(parseCliArguments({"a.avi", "-j"}).error(), "-j needs a value");
}

TEST(BatchCli, ProfilesAreNamedByDisplayNameOrFileId) {
    test::TempDir dir;
    for (const auto& [file, name] :
         {std::pair{"20-mp4-1-h264-aac.pf", "MP4 - H.264 + AAC"},
          std::pair{"99-odd.pf", "20-mp4-1-h264-aac"}, // a name that looks like an id
          std::pair{"40-MP3-128.PF", "MP3 - 128k"}, std::pair{"a.pf", "Same"}, std::pair{"b.pf", "Same"}}) {
        test::writeFile(dir.file(file), std::string("[Main]\nName=") + name + "\n");
    }
    profiles::ProfileCatalogue catalogue;
    catalogue.scan(dir.path(), dir.file("config.ini"));
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"MP4 - H.264 + AAC", {"MP4 - H.264 + AAC"}},
        {"20-mp4-1-h264-aac", {"20-mp4-1-h264-aac"}}, // the display name wins
        {"99-odd", {"20-mp4-1-h264-aac"}},
        {"40-MP3-128", {"MP3 - 128k"}},
        {"40-mp3-128", {"MP3 - 128k"}},           // without regard to case when nothing matches exactly
        {"Same", {"Same (a.pf)", "Same (b.pf)"}}, // ambiguous
        {"b", {"Same (b.pf)"}},
        {"40-mp3", {}},
        {"", {}},
        {"mp4 - h.264 + aac", {}}, // display names stay exact
    };
    for (const auto& [wanted, expected] : cases) {
        EXPECT_EQ(profilesMeant(wanted, catalogue), expected) << wanted;
    }
    EXPECT_EQ(profileIdOf("/p/profiles/10-avi-1-xvid-mp3.pf"), "10-avi-1-xvid-mp3");

    EXPECT_TRUE(parseCliArguments({"--json", "-p", "99-odd", "a.avi"})->json);
    EXPECT_FALSE(parseCliArguments({"a.avi"})->json);
    EXPECT_TRUE(parseCliArguments({"--list-profiles", "--json"})->json);
    EXPECT_FALSE(parseCliArguments({"--probe", "--json", "a.avi"}));
    EXPECT_FALSE(parseCliArguments({"--show-profile", "x", "--json"}));
}

TEST(BatchCli, CloseMatchesAndPaths) {
    const std::vector<std::string> names = {"MP4 - H.264 (640x480)", "MP4 - MPEG-4 (320x240)", "AVI - XviD",
                                            "MP3 - 128 kbit/s"};
    const auto matches = closeMatches("mp4", names);
    EXPECT_EQ(matches, (std::vector<std::string>{"MP4 - H.264 (640x480)", "MP4 - MPEG-4 (320x240)"}));
    EXPECT_EQ(closeMatches("AVI - Xvid", names).front(), "AVI - XviD");
    EXPECT_TRUE(closeMatches("zzzzzzzz", names).empty());

    EXPECT_EQ(absolutePath("clip.avi", "/home/u"), "/home/u/clip.avi");
    EXPECT_EQ(absolutePath("../x/./clip.avi", "/home/u"), "/home/x/clip.avi");
    EXPECT_EQ(absolutePath("/abs/dir/", "/home/u"), "/abs/dir");
    EXPECT_EQ(padCell("caf\xC3\xA9", 5), "caf\xC3\xA9 ");
    EXPECT_EQ(padCell("abcdef", 3), "abc");
    EXPECT_NE(progressLine("clip.avi", 50, 61, 80).find("[##########..........]  50% 00:01:01"),
              std::string::npos);
}

TEST(BatchCli, DefaultVideosFolderFollowsTheUserDirsFile) {
    morvane::test::TempDir home;
    const char* oldHome = std::getenv("HOME");
    const std::string saved = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", home.path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultVideosFolder(), home.path() + "/Videos");
    std::filesystem::create_directories(home.path() + "/.config");
    morvane::test::writeFile(home.file(".config/user-dirs.dirs"), "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n");
    EXPECT_EQ(defaultVideosFolder(), home.path() + "/Filme");
    ::unsetenv("HOME");
    EXPECT_EQ(defaultVideosFolder(), "/tmp");
    ::setenv("HOME", saved.c_str(), 1);
}

TEST(BatchCli, AConversionsOwnLinesAreTakenFromATraceWrittenSideBySide) {
    const std::string trace = "[1] \"/p/vec\" ffmpeg-converter -i \"/m/a.avi\" -y \"/o/a.mp4\"\r\n"
                              "[2] \"/p/vec\" ffmpeg-converter -i \"/m/b.avi\" -y \"/o/b.mp4\"\r\n"
                              "[1] vec: cannot write into the folder of \"/o/a.mp4\": Not a directory\r\n"
                              "[2] frame= 1 fps= 0\r\n"
                              "unmarked\r\n"
                              "[2] vec: ffmpeg failed with exit status 1; nothing was written";
    EXPECT_EQ(failureReasonFromTrace(conversionTraceLines(trace, "[1] ")),
              "the output folder is a file, not a folder");
    EXPECT_EQ(failureReasonFromTrace(conversionTraceLines(trace, "[2] ")),
              "ffmpeg failed with exit status 1; nothing was written");
    // One conversion at a time tags nothing: the whole trace counts.
    EXPECT_EQ(conversionTraceLines("a\r\nb", "[3] "), "a\r\nb");
    EXPECT_EQ(conversionTraceLines("a\r\nb", ""), "a\r\nb");
}

TEST(BatchCli, FailureReasonsFromTheTrace) {
    // An earlier run's lines before the last command line never count.
    const std::string earlier = "\"/p/vec\" ffmpeg-converter -i \"/m/a.avi\" -y \"/o/a.mp4\"\r\n"
                                "vec: the output \"/o/a.mp4\" is the input itself\r\n";
    const std::string command = "\"/p/vec\" ffmpeg-converter -i \"/m/b.avi\" -vn -y \"/o/b.mp3\"\r\n";
    struct Case {
        std::string lines;
        std::string reason;
    };
    for (const auto& c : std::vector<Case>{
             {"Output file #0 does not contain any stream\r\nvec: ffmpeg failed with exit status 1; nothing "
              "was written\r\n",
              "the source has no stream this profile converts (an audio profile needs an audio stream, a "
              "video "
              "profile a picture)"},
             {"vec: the output \"/m/b.avi\" is the input itself; converting a file onto itself would destroy "
              "it\r\n",
              "the output would replace the source"},
             {"vec: cannot write into the folder of \"/o/f/b.mp3\": Not a directory\r\n",
              "the output folder is a file, not a folder"},
             {"vec: ffmpeg wrote no video frame and no audio sample (does the cut start at or after the end "
              "of "
              "the source?); nothing was written\r\n",
              "nothing was converted: the cut starts at or after the end of the source"},
             {"vec: ffmpeg wrote no video frame and no audio sample: the cut starts at 12.000 s, at or after "
              "the end of the 10.000 s source; nothing was written\r\n",
              "nothing was converted: the cut starts at or after the end of the source"},
             {"vec: ffmpeg wrote no video frame and no audio sample: the source lasts only 0.010 s, too "
              "short "
              "for one frame of the target's encoder; nothing was written\r\n",
              "nothing was converted: the source is too short for one frame of this profile's encoder"},
             {"vec: ffmpeg wrote no video frame and no audio sample; nothing was written\r\n",
              "nothing was converted: the output would hold no picture and no sound"},
             // Otherwise FFmpeg's last word before the converter's verdict, else the verdict itself.
             {"frame= 1 fps= 0 q= 0.0 size= 0kB time=0.00 bitrate= 0.0kbits/s\r\n[aac @ 0x1] Too many "
              "channels\r\nvec: ffmpeg failed with exit status 1; nothing was written\r\n",
              "[aac @ 0x1] Too many channels"},
             {"vec: ffmpeg failed with exit status 1; nothing was written\r\n",
              "ffmpeg failed with exit status 1; nothing was written"},
             {"", ""},
         }) {
        SCOPED_TRACE(c.lines);
        EXPECT_EQ(failureReasonFromTrace(earlier + command + c.lines), c.reason);
    }
}

} // namespace
} // namespace morvane::app
