// morvane-batch as a user runs it: the real converter and FFmpeg on generated clips, in a copy of
// the program directory of its own so config.ini, trace.flt and input.avs are the test's.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/process.h"
#include "tests/support/batch_harness.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

namespace fs = std::filesystem;
using morvane::test::TempDir;

constexpr const char* kMp4Profile = "MP4 - H.264 + AAC (640x480)";
constexpr const char* kMp3Profile = "MP3 Audio - 128 kbps 44.1 kHz Stereo";
constexpr const char* kRealMediaProfile = "RealMedia - 256k DSL or Cable (320x240)";

struct BatchRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class BatchEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        morvane::test::cloneProgramDirectory(MORVANE_PROGRAM_DIR, bin());
        ASSERT_TRUE(morvane::test::generateClip(clips.file("clip.mov"), "av", 4.0));
    }

    std::string bin() const { return home.path() + "/bin"; }
    std::string output() const { return home.path() + "/out"; }

    BatchRun batch(std::vector<std::string> args) {
        args.insert(args.begin(), bin() + "/morvane-batch");
        platform::SpawnOptions options;
        options.stdoutMode = platform::StdStream::Pipe;
        options.stderrMode = platform::StdStream::Pipe;
        options.workingDirectory = clips.path();
        options.environment = environment;
        auto child = platform::ChildProcess::spawn(args, options);
        BatchRun run;
        std::thread errReader([&] {
            char buffer[4096];
            for (ssize_t n; (n = child.readStderr(buffer, sizeof buffer)) > 0;) {
                run.err.append(buffer, static_cast<std::size_t>(n));
            }
        });
        char buffer[4096];
        for (ssize_t n; (n = child.readStdout(buffer, sizeof buffer)) > 0;) {
            run.out.append(buffer, static_cast<std::size_t>(n));
        }
        errReader.join();
        const auto status = child.wait();
        run.exitCode = status.kind == platform::ExitStatus::Kind::Exited ? status.code : 128 + status.code;
        return run;
    }

    // The one file in `folder` whose name starts with `stem` and ends with `extension`.
    std::string outputFile(const std::string& folder, const std::string& stem, const std::string& extension) {
        std::string found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const auto name = entry.path().filename().string();
            if (name.rfind(stem, 0) == 0 && name.size() >= extension.size() &&
                name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
                EXPECT_TRUE(found.empty()) << "more than one output: " << found << ", " << name;
                found = entry.path().string();
            }
        }
        return found;
    }

    double durationOf(const std::string& path) {
        std::string text;
        morvane::test::runProgram(
            {"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", path},
            &text);
        try {
            return std::stod(text);
        } catch (const std::exception&) {
            return -1.0;
        }
    }

    TempDir home;
    TempDir clips;
    std::vector<std::string> environment; // set for the program on top of the test's own
};

TEST_F(BatchEndToEnd, SpeaksTheLocalesLanguageButJsonStaysEnglish) {
    environment = {"LANGUAGE=", "LANG=de_DE.UTF-8"};
    auto run = batch({"-j", "0", "clip.mov"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(
        run.err.find("morvane-batch: -j erwartet, wie viele Dateien gleichzeitig konvertiert werden, von 1 "
                     "bis 16, nicht \"0\""),
        std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Aufruf: morvane-batch"), std::string::npos) << run.err;

    run = batch({"-p", kMp3Profile, "-o", output(), "clip.mov"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("clip.mov: Fertig"), std::string::npos) << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("Datei +Ziel +Anfang +Ende +Status\n"))) << run.out;

    // Another program reads --json: its events and the messages beside them stay English.
    run = batch({"--json", "-p", "no such profile", "clip.mov"});
    EXPECT_NE(run.err.find("no profile is named \"no such profile\""), std::string::npos) << run.err;
    run = batch({"--json", "-p", kMp3Profile, "-o", output() + "/again", "clip.mov"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"status\":\"Completed\""), std::string::npos) << run.out;

    // A language without a catalogue: English exactly.
    environment = {"LANGUAGE=xx", "LANG=zz_ZZ.UTF-8"};
    run = batch({"-j", "0", "clip.mov"});
    EXPECT_NE(
        run.err.find("morvane-batch: -j takes how many files to convert at once, from 1 to 16, not \"0\"\n\n"
                     "usage: morvane-batch"),
        std::string::npos)
        << run.err;
}

TEST_F(BatchEndToEnd, ConvertsWithTwoProfilesAndACut) {
    auto run = batch(
        {"-p", kMp4Profile, "-o", "../" + fs::path(home.path()).filename().string() + "/out", "clip.mov"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NEAR(durationOf(outputFile(output(), "clip", ".mp4")), 4.0, 0.4);
    EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos) << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("clip\\.mov +MP4 +00:00:00 +00:00:0[45] +Completed")))
        << run.out;
    EXPECT_NE(morvane::test::readFile(bin() + "/trace.flt").find("ffmpeg-converter"), std::string::npos);
    EXPECT_FALSE(fs::exists(bin() + "/config.ini")) << "the command never writes config.ini";

    run = batch({"-p", kMp3Profile, "-o", output(), "--start", "00:00:01", "--end", "00:00:03", "clip.mov"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NEAR(durationOf(outputFile(output(), "clip", ".mp3")), 2.0, 0.15);
}

// A journal makes a batch restartable: run again, each file is converted once; a changed source again.
TEST_F(BatchEndToEnd, AJournalConvertsEachFileOnceAndAChangedSourceAgain) {
    ASSERT_TRUE(morvane::test::generateClip(clips.file("second.mov"), "av", 2.0));
    const std::string journal = home.path() + "/batch.journal";
    const std::vector<std::string> args{"-p", kMp3Profile, "-o",    output(),   "-j",
                                        "1",  "--journal", journal, "clip.mov", "second.mov"};
    auto run = batch(args);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    std::istringstream lines(morvane::test::readFile(journal));
    std::vector<nlohmann::json> entries;
    for (std::string line; std::getline(lines, line);) {
        entries.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0]["status"], "Completed");
    EXPECT_EQ(entries[0]["source"], clips.file("clip.mov"));
    const auto firstOutputs = std::distance(fs::directory_iterator(output()), fs::directory_iterator());
    EXPECT_EQ(firstOutputs, 2);

    run = batch(args);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Already converted (journal): " + clips.file("clip.mov")), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Already converted (journal): " + clips.file("second.mov")), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(output()), fs::directory_iterator()), firstOutputs)
        << "nothing converted twice";

    // The changed source is converted again, the other is not; JSON mode reports the skip as an event.
    ASSERT_TRUE(morvane::test::generateClip(clips.file("second.mov"), "av", 3.0));
    auto withJson = args;
    withJson.insert(withJson.begin(), "--json");
    run = batch(withJson);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(R"("event":"skipped","file":")" + clips.file("clip.mov") +
                           R"x(","reason":"already converted (journal)")x"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(R"("event":"finished")"), std::string::npos);
    std::istringstream after(morvane::test::readFile(journal));
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(after), std::istreambuf_iterator<char>(), '\n'), 3);

    // Something that is no journal is refused and left alone.
    morvane::test::writeFile(home.path() + "/notes.txt", "my notes\n");
    run = batch({"-p", kMp3Profile, "-o", output(), "--journal", home.path() + "/notes.txt", "clip.mov"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("is not a journal of morvane-batch"), std::string::npos) << run.err;
    EXPECT_EQ(morvane::test::readFile(home.path() + "/notes.txt"), "my notes\n");
}

// Without the media plugin no file's facts can be read, by the batch or by the converter (which reads
// its inputs with the same plugin): the batch says once why, and reports each file as not decodable.
TEST_F(BatchEndToEnd, WithoutTheMediaPluginNoFileIsReadAndTheBatchSaysWhyOnce) {
    fs::remove(bin() + "/libmorvane-media.so");
    fs::copy_file(clips.file("clip.mov"), clips.file("second.mov"));
    const auto run = batch({"-p", kMp3Profile, "-o", output(), "clip.mov", "second.mov"});
    EXPECT_NE(run.exitCode, 0) << run.out << run.err;
    const std::string warning = "The media detector \"" + bin() + "/libmorvane-media.so\" cannot be loaded";
    const auto first = run.err.find(warning);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(warning, first + 1), std::string::npos) << "said once: " << run.err;
    EXPECT_NE(run.err.find("Without it no file can be read", first), std::string::npos) << run.err;
    for (const std::string name : {"clip", "second"}) {
        EXPECT_NE(run.err.find("Error: The file \"" + name + ".mov\" can not be decoded."), std::string::npos)
            << run.err;
        EXPECT_TRUE(!fs::exists(output()) || outputFile(output(), name, ".mp3").empty()) << name;
    }
}

TEST_F(BatchEndToEnd, UndecodableFilesAreReportedAndSkipped) {
    morvane::test::writeFile(clips.file("notes.avi"), "this is not a video\n");
    const auto run = batch({"-p", kMp3Profile, "-o", output(), "notes.avi", "clip.mov"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error: The file \"notes.avi\" can not be decoded."), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos) << run.out;
    EXPECT_FALSE(outputFile(output(), "clip", ".mp3").empty());
}

TEST_F(BatchEndToEnd, AnOutputFolderTooLongForItsFilesIsRefusedBeforeAnythingIsMade) {
    const std::string folder = output() + "/" + std::string(NAME_MAX + 1, 'n');
    const auto run = batch({"-p", kMp3Profile, "-o", folder, "clip.mov"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("The output folder \"" + folder + "\" cannot be used: "), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(BatchEndToEnd, UsageErrorsAndProfileQueries) {
    EXPECT_EQ(batch({}).exitCode, 2);
    EXPECT_EQ(batch({"--help"}).exitCode, 0);
    const auto unknown = batch({"-p", "mp4 h.264", "clip.mov"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find(kMp4Profile), std::string::npos)
        << "close matches are listed: " << unknown.err;

    const auto list = batch({"--list-profiles"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_NE(list.out.find(std::string(kMp4Profile) + "\n"), std::string::npos);

    const auto shown = batch({"--show-profile", kMp3Profile});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_NE(shown.out.find("Name: " + std::string(kMp3Profile) + "\n"), std::string::npos) << shown.out;
    EXPECT_TRUE(std::regex_search(shown.out, std::regex("\nAudio\t[0-9]+\tab\t[^\t]*\t128"))) << shown.out;

    const auto probe = batch({"--probe", "clip.mov"});
    EXPECT_EQ(probe.exitCode, 0) << probe.err;
    EXPECT_TRUE(std::regex_search(
        probe.out,
        std::regex(
            "^clip\\.mov: duration=5\\.[0-9]{3} width=320 height=240 video=1 audio=1 frameserver=1\n")))
        << probe.out;
}

// The lines of a --json run, each parsed; a line that is not one JSON object with `key` fails the test.
std::vector<nlohmann::json> eventsOf(const std::string& out, const std::string& key = "event") {
    std::vector<nlohmann::json> events;
    std::size_t from = 0;
    while (from < out.size()) {
        const auto end = out.find('\n', from);
        EXPECT_NE(end, std::string::npos) << "every event ends its line";
        const std::string line = out.substr(from, end - from);
        from = end == std::string::npos ? out.size() : end + 1;
        const auto event = nlohmann::json::parse(line, nullptr, false);
        EXPECT_TRUE(event.is_object() && event.contains(key)) << line;
        events.push_back(event);
    }
    return events;
}

TEST_F(BatchEndToEnd, JsonEventsFollowTheBatchAndAgreeWithTheTable) {
    ASSERT_TRUE(morvane::test::generateClip(clips.file("second.mov"), "av", 2.0));
    morvane::test::writeFile(clips.file("notes.avi"), "this is not a video\n");
    // The profile by its file's id.
    const auto run = batch({"--json", "-j", "2", "-p", "20-mp4-1-h264-aac", "-o", output(), "clip.mov",
                            "notes.avi", "second.mov"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const auto events = eventsOf(run.out);
    std::map<std::string, int> counts;
    std::map<int, std::string> statusOfRow;
    std::map<int, int> lastPercent;
    for (const auto& e : events) {
        const std::string kind = e.value("event", "");
        ++counts[kind];
        if (kind == "added") {
            EXPECT_EQ(e.at("profile"), kMp4Profile);
            EXPECT_GT(e.at("duration").get<double>(), 1.5);
        } else if (kind == "skipped") {
            EXPECT_EQ(e.at("file"), clips.file("notes.avi"));
            EXPECT_NE(e.at("reason").get<std::string>().find("can not be decoded"), std::string::npos);
        } else if (kind == "progress") {
            const int row = e.at("row");
            EXPECT_GE(e.at("percent").get<int>(), lastPercent[row]) << "progress never goes back";
            lastPercent[row] = e.at("percent");
            EXPECT_EQ(statusOfRow.count(row), 0U) << "no progress after a row's end";
        } else if (kind == "finished") {
            const int row = e.at("row");
            statusOfRow[row] = e.at("status");
            ASSERT_TRUE(e.at("output").is_string());
            const std::string out = e.at("output");
            EXPECT_EQ(fs::path(out).parent_path(), fs::path(output()));
            EXPECT_NEAR(durationOf(out), row == 0 ? 4.0 : 2.0, 0.5) << out;
            EXPECT_GT(e.at("seconds").get<double>(), 0.0);
            EXPECT_EQ(e.at("reason"), "");
        }
    }
    EXPECT_EQ(counts["added"], 2);
    EXPECT_EQ(counts["skipped"], 1);
    EXPECT_EQ(counts["finished"], 2);
    EXPECT_GE(counts["progress"], 2);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().at("event"), "end");
    EXPECT_EQ(events.back().at("exit"), 1);
    EXPECT_EQ(events.back().at("completed"), 2);

    // The table on standard error says the same.
    std::map<int, std::string> statusInTable;
    const std::regex row("\n(clip|second)\\.mov +MP4 +[0-9:]+ +[0-9:]+ +(\\w+)");
    for (auto it = std::sregex_iterator(run.err.begin(), run.err.end(), row); it != std::sregex_iterator();
         ++it) {
        statusInTable[(*it)[1] == "clip" ? 0 : 1] = (*it)[2];
    }
    EXPECT_EQ(statusInTable, statusOfRow) << run.err;
    EXPECT_EQ(statusOfRow, (std::map<int, std::string>{{0, "Completed"}, {1, "Completed"}}));

    const auto listed = batch({"--list-profiles", "--json"});
    bool found = false;
    for (const auto& e : eventsOf(listed.out, "id")) {
        found = found || (e.at("id") == "20-mp4-1-h264-aac" && e.at("name") == kMp4Profile);
    }
    EXPECT_TRUE(found) << listed.out;
}

// Ctrl-C or a termination request while the first of two rows converts (through the converter or the
// RealMedia producer): both rows are Abort, nothing unfinished is kept, and no success is claimed.
TEST_F(BatchEndToEnd, AStopAbortsTheRunningRowKeepingNothingAndIsNoSuccess) {
    ASSERT_TRUE(morvane::test::generateClip(clips.file("long.mov"), "av", 60.0, 640, 480));
    struct Case {
        int signal;
        const char* profile;
    };
    for (const auto& c :
         {Case{SIGINT, kMp4Profile}, Case{SIGTERM, kMp4Profile}, Case{SIGINT, kRealMediaProfile}}) {
        SCOPED_TRACE(std::string(c.profile) + ", signal " + std::to_string(c.signal));
        fs::remove_all(output());
        std::vector<std::string> args{
            bin() + "/morvane-batch", "-j", "1", "-p", c.profile, "-o", output(), "long.mov", "clip.mov"};
        platform::SpawnOptions options;
        options.stdoutMode = platform::StdStream::Pipe;
        options.stderrMode = platform::StdStream::Pipe;
        options.workingDirectory = clips.path();
        auto child = platform::ChildProcess::spawn(args, options);
        std::string err;
        std::thread errReader([&] {
            char buffer[4096];
            for (ssize_t n; (n = child.readStderr(buffer, sizeof buffer)) > 0;) {
                err.append(buffer, static_cast<std::size_t>(n));
            }
        });
        std::string out;
        char buffer[4096];
        std::chrono::steady_clock::time_point interrupted{};
        for (ssize_t n; (n = child.readStdout(buffer, sizeof buffer)) > 0;) {
            out.append(buffer, static_cast<std::size_t>(n));
            // Stop once the first row is under way.
            if (interrupted == std::chrono::steady_clock::time_point{} &&
                std::regex_search(out, std::regex("long\\.mov: [1-9][0-9]?%"))) {
                child.kill(c.signal);
                interrupted = std::chrono::steady_clock::now();
            }
        }
        errReader.join();
        const auto status = child.wait();
        ASSERT_NE(interrupted, std::chrono::steady_clock::time_point{}) << out;
        EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(5))
            << "a stop is quick";
        EXPECT_EQ(status.kind, platform::ExitStatus::Kind::Exited);
        EXPECT_EQ(status.code, 1);
        EXPECT_NE(out.find("long.mov: Abort"), std::string::npos) << out;
        EXPECT_NE(out.find("clip.mov: Abort"), std::string::npos) << out;
        EXPECT_EQ(out.find("Completed"), std::string::npos) << out;
        EXPECT_EQ(err.find("Mission accomplished"), std::string::npos) << err;
        EXPECT_TRUE(std::regex_search(out, std::regex("\nlong\\.mov +\\S+ +[0-9:]+ +[0-9:]+ +Abort"))) << out;
        std::vector<std::string> left;
        if (fs::exists(output())) {
            for (const auto& entry : fs::directory_iterator(output())) {
                left.push_back(entry.path().filename().string());
            }
        }
        EXPECT_TRUE(left.empty()) << ::testing::PrintToString(left);
    }
}

// Why a row failed, in the words the converter gave, on the terminal and in the JSON events: a profile
// whose stream the source lacks, and an output folder that runs full.
TEST_F(BatchEndToEnd, AFailedRowSaysWhyInTextAndJson) {
    ASSERT_TRUE(morvane::test::generateClip(clips.file("silent.mov"), "video", 2.0));
    auto run = batch({"-p", kMp3Profile, "-o", output(), "silent.mov"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("\nReason: the source has no stream this profile converts"), std::string::npos)
        << run.err;
    run = batch({"--json", "-p", kMp3Profile, "-o", output(), "silent.mov"});
    std::string reason;
    for (const auto& e : eventsOf(run.out)) {
        if (e.value("event", "") == "finished") {
            reason = e.at("reason");
        }
    }
    EXPECT_EQ(reason.rfind("the source has no stream this profile converts", 0), 0U) << reason;

    // A small file system of the test's own, where the suite may mount one.
    const std::string full = home.path() + "/full";
    fs::create_directories(full);
    if (morvane::test::runProgram({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", full}) != 0) {
        GTEST_SKIP() << "no small file system can be mounted here; the full-disk case is not checked";
    }
    struct Unmount {
        std::string path;
        ~Unmount() { morvane::test::runProgram({"umount", path}); }
    } unmount{full};
    run = batch({"--json", "-p", kMp4Profile, "-o", full, "clip.mov"});
    EXPECT_EQ(run.exitCode, 1);
    reason.clear();
    for (const auto& e : eventsOf(run.out)) {
        if (e.value("event", "") == "finished") {
            reason = e.at("reason");
        }
    }
    EXPECT_NE(reason.find("No space left on device"), std::string::npos) << reason << run.err;
    EXPECT_TRUE(fs::is_empty(full)) << "nothing unfinished is left on the full file system";
}

// A download cut short: its header promises 60 s, its data holds about 15 s. The output is kept and the
// user is told, on the terminal and in the JSON event.
TEST_F(BatchEndToEnd, AnOutputShortOfItsTruncatedSourceIsKeptWithAWarning) {
    const std::string whole = home.path() + "/whole.mkv";
    ASSERT_EQ(morvane::test::runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                         "testsrc2=size=320x240:rate=25:duration=60", "-f", "lavfi", "-i",
                                         "sine=duration=60", "-c:v", "mpeg4", "-c:a", "libmp3lame",
                                         "-shortest", whole}),
              0);
    const std::string bytes = morvane::test::readFile(whole);
    morvane::test::writeFile(clips.file("cut.mkv"), bytes.substr(0, bytes.size() / 4));
    auto run = batch({"-p", kMp3Profile, "-o", output(), "cut.mkv"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("cut.mkv: Completed"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Warning: cut.mkv: the source ended early: the output holds "), std::string::npos)
        << run.err;
    const double kept = durationOf(outputFile(output(), "cut", ".mp3"));
    EXPECT_GT(kept, 5.0);
    EXPECT_LT(kept, 30.0);

    fs::remove_all(output());
    run = batch({"--json", "-p", kMp3Profile, "-o", output(), "clip.mov", "cut.mkv"});
    std::map<std::string, nlohmann::json> warnings;
    for (const auto& e : eventsOf(run.out)) {
        if (e.value("event", "") == "finished") {
            warnings[e.at("name")] = e.at("warning");
        }
    }
    EXPECT_TRUE(warnings["clip.mov"].is_null()) << "a whole source gives no warning";
    ASSERT_TRUE(warnings["cut.mkv"].is_string());
    EXPECT_NE(warnings["cut.mkv"].get<std::string>().find("of the 60 s its header gives"), std::string::npos);
}

TEST_F(BatchEndToEnd, RealMediaGoesThroughTheProducerAndIsRefusedWithoutIt) {
    fs::copy_file(clips.file("clip.mov"), clips.file("second.mov"));
    auto run = batch({"-p", kRealMediaProfile, "-o", output(), "-j", "2", "clip.mov", "second.mov"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("clip.mov: Completed"), std::string::npos);
    EXPECT_GT(durationOf(output() + "/clip_new.rm"), 3.0);
    // Side by side, the producer's own lines carry their row's tag, each once.
    const std::string trace = morvane::test::readFile(bin() + "/trace.flt");
    for (const auto& [tag, name] :
         {std::pair{"[1] ", "/clip_new.rm\""}, std::pair{"[2] ", "/second_new.rm\""}}) {
        const std::string wrote = std::string(tag) + "[producer] wrote \"" + output() + name;
        const auto at = trace.find(wrote);
        EXPECT_NE(at, std::string::npos) << wrote << "\n" << trace;
        EXPECT_EQ(trace.find(wrote, at + 1), std::string::npos) << trace;
    }
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("[producer]", 0), std::string::npos) << "untagged: " << line;
    }

    fs::remove(bin() + "/tools/libencsession.so");
    run = batch({"-p", kRealMediaProfile, "-o", output() + "/again", "clip.mov"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot be used here: the RealMedia producer library \"" + bin() +
                           "/tools/libencsession.so\" is missing"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(output() + "/again")) << "refused before anything was made";

    // The next batch converts through the converter as before.
    run = batch({"-p", kMp3Profile, "-o", output(), "clip.mov"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

// What FFmpeg measures of a file: the text after `key` in its log, as a number.
double measured(const std::vector<std::string>& argv, const std::string& key) {
    std::string text;
    morvane::test::runProgram(argv, &text);
    const auto at = text.rfind(key);
    return at == std::string::npos ? -1000.0 : std::atof(text.c_str() + at + key.size());
}

double peakOf(const std::string& path) {
    return measured(
        {"ffmpeg", "-nostdin", "-i", path, "-map", "0:a:0", "-af", "volumedetect", "-f", "null", "-"},
        "max_volume: ");
}

// RealMedia keeps the picture's shape, with bars, and the sound's level; tags kept with an Ogg stream
// reach the file, the artist as its author.
TEST_F(BatchEndToEnd, RealMediaKeepsShapeLevelAndTags) {
    const std::string square = clips.file("square.mkv");
    ASSERT_EQ(morvane::test::runProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
                                         "-i", "testsrc=size=240x240:rate=25:duration=2", "-f", "lavfi", "-i",
                                         "aevalsrc=0.9*sin(2*PI*440*t):s=44100:d=2", "-c:v", "mpeg4", "-c:a",
                                         "flac", square}),
              0);
    const std::string tagged = clips.file("tagged.ogg");
    ASSERT_EQ(morvane::test::runProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
                                         "-i", "sine=duration=1", "-c:a", "libvorbis", "-metadata:s:a:0",
                                         "title=Pluck", "-metadata:s:a:0", "artist=Harpist", tagged}),
              0);
    auto run = batch({"-p", kRealMediaProfile, "-o", output(), "square.mkv", "tagged.ogg"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    // The square picture stands in the 320x240 frame between bars of 40 pixels.
    std::string crop;
    morvane::test::runProgram({"ffmpeg", "-nostdin", "-i", output() + "/square_new.rm", "-vf",
                               "cropdetect=limit=24:round=2:reset=0", "-f", "null", "-"},
                              &crop);
    const auto at = crop.rfind("crop=");
    ASSERT_NE(at, std::string::npos) << crop;
    int width = 0;
    int height = 0;
    std::sscanf(crop.c_str() + at, "crop=%d:%d", &width, &height);
    EXPECT_NEAR(static_cast<double>(width) / height, 1.0, 0.04) << crop.substr(at, 30);
    // As loud as the source, within what the sound's coding changes: not 6 dB more.
    EXPECT_NEAR(peakOf(output() + "/square_new.rm"), peakOf(square), 1.0);
    std::string tags;
    morvane::test::runProgram({"ffprobe", "-v", "error", "-show_entries", "format_tags", "-of", "compact",
                               output() + "/tagged_new.rm"},
                              &tags);
    EXPECT_NE(tags.find("title=Pluck"), std::string::npos) << tags;
    EXPECT_NE(tags.find("author=Harpist"), std::string::npos) << tags;

    // The same tags reach an MP3 through the converter.
    run = batch({"-p", kMp3Profile, "-o", output(), "tagged.ogg"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    morvane::test::runProgram({"ffprobe", "-v", "error", "-show_entries", "format_tags", "-of", "compact",
                               outputFile(output(), "tagged", ".mp3")},
                              &tags);
    EXPECT_NE(tags.find("title=Pluck"), std::string::npos) << tags;
    EXPECT_NE(tags.find("artist=Harpist"), std::string::npos) << tags;
}

// An MPEG-1 stream whose headers state a bit rate far above its own says it lasts 0.06 s and holds 8:
// progress only goes forward, and the row ends with the length the conversion found.
TEST_F(BatchEndToEnd, AHeaderThatStatesTooLittleGivesWayToTheRealLength) {
    const std::string path = clips.file("lying.m1v");
    ASSERT_EQ(morvane::test::runProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
                                         "-i", "testsrc=size=320x240:rate=25:duration=8", "-c:v",
                                         "mpeg1video", "-b:v", "200k", "-f", "mpeg1video", path}),
              0);
    std::string bytes = morvane::test::readFile(path);
    for (auto at = bytes.find(std::string("\0\0\1\xb3", 4));
         at != std::string::npos && at + 11 < bytes.size();
         at = bytes.find(std::string("\0\0\1\xb3", 4), at + 4)) {
        bytes[at + 8] = '\xff'; // the 18 bits of the stated bit rate, all set
        bytes[at + 9] = '\xff';
        bytes[at + 10] = static_cast<char>(bytes[at + 10] | 0xc0);
    }
    morvane::test::writeFile(path, bytes);
    const auto run = batch({"--json", "-p", "20-mp4-1-h264-aac", "-o", output(), "lying.m1v"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    int last = 0;
    for (const auto& e : eventsOf(run.out)) {
        if (e.value("event", "") == "progress") {
            EXPECT_GE(e.at("percent").get<int>(), last) << "progress never goes back";
            last = e.at("percent");
        }
    }
    EXPECT_NEAR(durationOf(outputFile(output(), "lying", ".mp4")), 8.0, 0.2);
    EXPECT_TRUE(std::regex_search(run.err, std::regex("lying\\.m1v +MP4 +00:00:00 +00:00:0[89] +Completed")))
        << run.err;
}

// A damaged sound: the converter and the producer keep a clean file of what decodes and say how much
// did not; a sound of which nothing decodes fails, saying so.
TEST_F(BatchEndToEnd, DamagedSoundKeepsWhatDecodesAndSaysWhatDidNot) {
    ASSERT_EQ(
        morvane::test::runProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                   "sine=duration=10", "-c:a", "libmp3lame", clips.file("clean.mp3")}),
        0);
    // The noise filter damages every third byte (of every byte) of each packet, the same way every time.
    for (const auto& [name, amount] :
         {std::pair{"damaged.mp3", "noise=amount=3"}, std::pair{"ruined.mp3", "noise=amount=1"}}) {
        ASSERT_EQ(morvane::test::runProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i",
                                             clips.file("clean.mp3"), "-c", "copy", "-bsf:a", amount,
                                             clips.file(name)}),
                  0);
    }
    for (const char* profile : {kMp3Profile, kRealMediaProfile}) {
        SCOPED_TRACE(profile);
        const std::string folder = output() + "/" + (profile == kMp3Profile ? "mp3" : "rm");
        auto run = batch({"-p", profile, "-o", folder, "damaged.mp3"});
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        const std::string kept = outputFile(folder, "damaged", profile == kMp3Profile ? ".mp3" : ".rm");
        std::string errors;
        EXPECT_EQ(morvane::test::runProgram(
                      {"ffmpeg", "-nostdin", "-v", "error", "-i", kept, "-f", "null", "-"}, &errors),
                  0);
        EXPECT_EQ(errors, "") << "the output decodes cleanly";
        EXPECT_GT(durationOf(kept), 0.1);
        const std::string trace = morvane::test::readFile(bin() + "/trace.flt");
        EXPECT_TRUE(
            std::regex_search(trace, std::regex("[0-9]+ packets of the source's sound could not be decoded")))
            << trace.substr(trace.size() > 3000 ? trace.size() - 3000 : 0);

        run = batch({"-p", profile, "-o", folder + "/ruined", "ruined.mp3"});
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_NE(morvane::test::readFile(bin() + "/trace.flt").find("the source's sound cannot be decoded"),
                  std::string::npos);
    }
}

} // namespace
} // namespace morvane::app
