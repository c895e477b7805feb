// morvane-batch as a user runs it: the real converter and FFmpeg on generated clips, in a copy of
// the program directory of its own so config.ini, trace.flt and input.avs are the test's.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <climits>
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

// Without the media detector plugin the converter reads the files: the batch still converts, and
// says once why probing is slower.
TEST_F(BatchEndToEnd, WithoutTheDetectorPluginTheConverterReadsTheFiles) {
    fs::remove(bin() + "/libmorvane-media.so");
    fs::copy_file(clips.file("clip.mov"), clips.file("second.mov"));
    const auto run = batch({"-p", kMp3Profile, "-o", output(), "clip.mov", "second.mov"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string warning = "The media detector \"" + bin() + "/libmorvane-media.so\" cannot be loaded";
    const auto first = run.err.find(warning);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(warning, first + 1), std::string::npos) << "said once: " << run.err;
    EXPECT_NEAR(durationOf(outputFile(output(), "clip", ".mp3")), 4.0, 0.4);
    EXPECT_NEAR(durationOf(outputFile(output(), "second", ".mp3")), 4.0, 0.4);
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

TEST_F(BatchEndToEnd, CtrlCStopsTheRunningRowKeepingItsOutputAndAbortsTheNext) {
    ASSERT_TRUE(morvane::test::generateClip(clips.file("long.mov"), "av", 30.0, 640, 480));
    std::vector<std::string> args{
        bin() + "/morvane-batch", "-j", "1", "-p", kMp4Profile, "-o", output(), "long.mov", "clip.mov"};
    platform::SpawnOptions options;
    options.stdoutMode = platform::StdStream::Pipe;
    options.stderrMode = platform::StdStream::Pipe;
    options.workingDirectory = clips.path();
    auto child = platform::ChildProcess::spawn(args, options);
    std::string out;
    char buffer[4096];
    bool interrupted = false;
    for (ssize_t n; (n = child.readStdout(buffer, sizeof buffer)) > 0;) {
        out.append(buffer, static_cast<std::size_t>(n));
        // Stop once the first row is under way.
        if (!interrupted && out.find("long.mov: 1") != std::string::npos) {
            child.kill(SIGINT);
            interrupted = true;
        }
    }
    const auto status = child.wait();
    ASSERT_TRUE(interrupted) << out;
    EXPECT_EQ(status.kind, platform::ExitStatus::Kind::Exited);
    EXPECT_EQ(status.code, 1);
    EXPECT_NE(out.find("long.mov: Completed"), std::string::npos) << out;
    EXPECT_NE(out.find("clip.mov: Abort"), std::string::npos) << out;
    const double kept = durationOf(outputFile(output(), "long", ".mp4"));
    EXPECT_GT(kept, 0.0);
    EXPECT_LT(kept, 30.0);
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

} // namespace
} // namespace morvane::app
