#include "engine/ffmpeg_encoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/run_report.h"
#include "tests/engine/engine_test_env.h"

namespace morvane::engine {
namespace {

using test::EventRecorder;
using test::FakeProgramDir;
using test::ProgressLog;
using test::ScriptedEncoder;

const std::string kStopBlock("q\0\0\0\0\0\0\0\0\0", 10);
const std::string kLinePrefix = "Module:ffff01,Line:PostMessage,Error Info :";

ConversionJob makeJob(std::int32_t targetCode, const std::string& outputPath = "/out/clip") {
    ConversionJob job;
    job.targetCode = targetCode;
    job.sourcePath.assign("/media/clip.wmv");
    job.outputPath.assign(outputPath);
    job.hasVideo = 1;
    job.progressDuration = 100.0;
    return job;
}

TEST(CommandText, StartsAtTheInputArgument) {
    struct Case {
        const char* command;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"\"/opt/m/vec\" ffmpeg-converter  -vsync 24 -async 24 -i \"/a.avi\" -b 1200k -y \"/o.avi\"",
         "-i \"/a.avi\" -b 1200k -y \"/o.avi\""},
        {"/opt/m/vec ffmpeg-converter -i \"/a b.avi\" -ss 00:00:10 -t 50 ",
         "-i \"/a b.avi\" -ss 00:00:10 -t 50 "},
        // "-i" inside the program's own path or inside another option is not the input.
        {"\"/home/x/my -i dir/vec\" ffmpeg-converter -info-x 1 -i \"/a.avi\"", "-i \"/a.avi\""},
        {"/opt/multi-item/vec ffmpeg-converter -i \"/a.avi\"", "-i \"/a.avi\""},
        {"vec ffmpeg-converter -y out.avi", "vec ffmpeg-converter -y out.avi"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(commandFromInput(c.command), c.logged) << c.command;
    }
}

TEST(OutputFolder, IsTheTextBeforeTheLastSeparator) {
    EXPECT_EQ(outputFolderOf("/home/u/Videos/clip"), "/home/u/Videos");
    EXPECT_EQ(outputFolderOf("/home/u/Videos/"), "/home/u/Videos");
    EXPECT_EQ(outputFolderOf("/clip"), "/");
    EXPECT_EQ(outputFolderOf("_xvid_mp3.avi"), "");
    EXPECT_EQ(outputFolderOf(""), "");
}

TEST(FfmpegEncoder, InitializeNeedsARecordWithACallback) {
    ProgressLog progress;
    CFfmpegEncoder encoder;
    EXPECT_EQ(encoder.forceFrameServer(), 1);
    EXPECT_EQ(encoder.Initialize(nullptr), 0);
    EncoderInitRecord record = test::makeInitRecord(progress, "/opt/morvane/");
    record.callback = nullptr;
    EXPECT_EQ(encoder.Initialize(&record), 0);

    record = test::makeInitRecord(progress, "/opt/morvane/");
    EXPECT_EQ(encoder.Initialize(&record), 1);
    EXPECT_EQ(encoder.forceFrameServer(), 0);
    EXPECT_EQ(encoder.programDirectory(), "/opt/morvane/");
    encoder.SetForceFrameServer(1);
    EXPECT_EQ(encoder.forceFrameServer(), 1);
    EXPECT_EQ(encoder.Shutdown(), 1);
}

TEST(FfmpegEncoder, PrepareCommandRefusesTargetsWithoutARecipe) {
    struct Case {
        std::int32_t targetCode;
        std::int32_t result;
    };
    const std::vector<Case> cases = {{0, 1},  {1, 1},  {5, 1},  {6, 0},  {7, 1},
                                     {11, 1}, {12, 0}, {13, 1}, {14, 0}, {-1, 0}};
    for (const auto& c : cases) {
        ScriptedEncoder encoder;
        encoder.command = "vec ffmpeg-converter -i \"a.avi\" -y \"b.avi\"";
        ConversionJob job = makeJob(c.targetCode);
        EXPECT_EQ(encoder.PrepareCommand(&job), c.result) << c.targetCode;
        EXPECT_EQ(encoder.builds, c.result)
            << "the builder runs only for targets with a recipe: " << c.targetCode;
        EXPECT_EQ(job.outputPath.view(), c.result == 1 ? "/out/clip_x.avi" : "/out/clip") << c.targetCode;
    }
    ScriptedEncoder encoder;
    EXPECT_EQ(encoder.PrepareCommand(nullptr), 0);
    EXPECT_EQ(encoder.builds, 0);
}

TEST(FfmpegEncoder, PrepareCommandCopiesTheJobAndLogsTheCommandFromItsInput) {
    EventRecorder log;
    ScriptedEncoder encoder;
    encoder.command =
        "\"/opt/m/vec\" ffmpeg-converter  -vsync 24 -async 24 -i \"/media/clip.wmv\" -y \"/out/clip_x.avi\"";
    ConversionJob job = makeJob(1);
    job.title.assign("Holiday");
    ASSERT_EQ(encoder.PrepareCommand(&job), 1);
    EXPECT_EQ(encoder.commandLine(), encoder.command);
    EXPECT_EQ(encoder.job().title.view(), "Holiday");
    EXPECT_EQ(encoder.job().sourcePath.view(), "/media/clip.wmv");
    EXPECT_EQ(encoder.job().outputPath.view(), "/out/clip_x.avi");

    const auto info = log.entries();
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info.front().type, platform::EventType::Information);
    EXPECT_EQ(info.front().id, 3u);
    EXPECT_EQ(info.front().message, "-i \"/media/clip.wmv\" -y \"/out/clip_x.avi\"");

    // A failing builder: nothing is logged as a command.
    encoder.buildResult = 0;
    EXPECT_EQ(encoder.PrepareCommand(&job), 0);
    EXPECT_EQ(log.entries().size(), 1u);
}

TEST(FfmpegEncoder, ExceptionWhileBuildingIsLoggedAndGivesZero) {
    EventRecorder log;
    ScriptedEncoder encoder;
    encoder.throwInBuild = true;
    ConversionJob job = makeJob(1);
    EXPECT_EQ(encoder.PrepareCommand(&job), 0);
    EXPECT_EQ(log.messages(1),
              std::vector<std::string>{
                  "Module:COMMON\\CFfmpegEncoder,Line:641,Unable to get output video convert interface"});
}

// Feeds lines to the encoder as the converter runner would and reports what came out.
class ProgressLines : public ::testing::Test {
protected:
    void prepare(bool hasVideo, double progressDuration) {
        record = test::makeInitRecord(progress, "/opt/m/");
        ASSERT_EQ(encoder.Initialize(&record), 1);
        encoder.command = "vec ffmpeg-converter -i a -y b";
        ConversionJob job = makeJob(hasVideo ? 1 : 11);
        job.hasVideo = hasVideo ? 1 : 0;
        job.progressDuration = progressDuration;
        ASSERT_EQ(encoder.PrepareCommand(&job), 1);
    }
    std::int32_t line(const std::string& text) {
        return encoder.OnConverterEvent(ConverterEvent::Line, ConverterEventValue{0, text}, 0);
    }
    std::vector<std::string> errorLines() const { return log.messages(1); }

    EventRecorder log;
    ProgressLog progress;
    EncoderInitRecord record;
    ScriptedEncoder encoder;
};

TEST_F(ProgressLines, VideoJobReadsEightTokenLines) {
    prepare(true, 200.0);
    const std::string twoTokens = "size= 100kB time=30.00 bitrate=1.0kbits/s";
    EXPECT_EQ(line("frame= 250 fps= 25 q=2.0 size= 100kB dup=0 time=50.40 bitrate=1.0kbits/s"), 1);
    EXPECT_EQ(line(twoTokens), 1);
    EXPECT_EQ(line("Stream mapping:"), 1);
    EXPECT_EQ(progress.percents(), std::vector<int>{25});
    EXPECT_EQ(errorLines(),
              (std::vector<std::string>{kLinePrefix + twoTokens, kLinePrefix + "Stream mapping:"}));
    EXPECT_FALSE(encoder.finished());
}

TEST_F(ProgressLines, AudioJobReadsTwoTokenLines) {
    prepare(false, 40.0);
    const std::string eightTokens = "frame= 250 fps= 25 q=2.0 size= 100kB dup=0 time=20.00 bitrate=1k";
    EXPECT_EQ(line("size= 100kB time=10.00 bitrate= 64.0kbits/s"), 1);
    EXPECT_EQ(line(eightTokens), 1);
    EXPECT_EQ(line("size= 100kB time=39.99 bitrate= 64.0kbits/s"), 1);
    EXPECT_EQ(progress.percents(), (std::vector<int>{25, 97}));
    EXPECT_EQ(errorLines(), std::vector<std::string>{kLinePrefix + eightTokens});
}

TEST_F(ProgressLines, TimeBeyondTheDurationGivesOneAndMarksTheEnd) {
    prepare(false, 30.0);
    const std::string late = "size= 1kB time=45.00 bitrate=1k";
    EXPECT_EQ(line(late), 1);
    EXPECT_EQ(progress.percents(), std::vector<int>{1});
    EXPECT_TRUE(encoder.finished());
    EXPECT_EQ(errorLines(), std::vector<std::string>{kLinePrefix + late});
}

TEST_F(ProgressLines, ZeroDurationGivesOneForEveryLine) {
    prepare(false, 0.0);
    EXPECT_EQ(line("size= 1kB time=0.00 bitrate=1k"), 1);
    EXPECT_EQ(line("size= 1kB time=12.00 bitrate=1k"), 1);
    EXPECT_EQ(progress.percents(), (std::vector<int>{1, 1}));
    EXPECT_FALSE(encoder.finished());
    EXPECT_TRUE(errorLines().empty());
}

TEST_F(ProgressLines, EmptyAndOverlongLines) {
    prepare(false, 100.0);
    EXPECT_EQ(line(""), 1);
    EXPECT_TRUE(errorLines().empty());
    const std::string longLine(700, 'd');
    EXPECT_EQ(line(longLine), 1);
    EXPECT_EQ(errorLines(), std::vector<std::string>{kLinePrefix + longLine.substr(0, 511)});
    EXPECT_TRUE(progress.percents().empty());
}

TEST_F(ProgressLines, OtherEventsAndAFailingCallback) {
    prepare(false, 100.0);
    EXPECT_EQ(encoder.OnConverterEvent(ConverterEvent::Started, ConverterEventValue{4242, {}}, 0), 1);
    EXPECT_EQ(encoder.processHandle(), 4242);
    EXPECT_EQ(encoder.OnConverterEvent(ConverterEvent::StopRequested, {}, 0), 1);

    progress.hook = [](int) { throw std::runtime_error("window gone"); };
    const std::string text = "size= 1kB time=12.00 bitrate=1k";
    EXPECT_EQ(line(text), 0);
    EXPECT_TRUE(encoder.failed());
    EXPECT_TRUE(encoder.finished());
    EXPECT_EQ(errorLines(), std::vector<std::string>{kLinePrefix + text});
    EXPECT_EQ(encoder.OnConverterEvent(ConverterEvent::Finished, {}, 0), 0);

    // The next preparation starts clean.
    progress.hook = nullptr;
    ConversionJob job = makeJob(11);
    ASSERT_EQ(encoder.PrepareCommand(&job), 1);
    EXPECT_FALSE(encoder.failed());
    EXPECT_FALSE(encoder.finished());
    EXPECT_EQ(encoder.processHandle(), 0);
    EXPECT_EQ(encoder.OnConverterEvent(ConverterEvent::Finished, {}, 0), 1);
    EXPECT_TRUE(encoder.finished());
}

// Runs through the fake converter.
class FfmpegEncoderRun : public ::testing::Test {
protected:
    void SetUp() override {
        record = test::makeInitRecord(progress, program.dir());
        ASSERT_EQ(encoder.Initialize(&record), 1);
        std::filesystem::create_directory(program.file("out"));
        encoder.command =
            program.commandLine("-i \"/media/clip.wmv\" -y \"" + program.file("out/clip_x.avi") + "\"");
        job = makeJob(11, program.file("out/clip"));
        job.hasVideo = 0;
        job.progressDuration = 40.0;
        ASSERT_EQ(encoder.PrepareCommand(&job), 1);
    }

    FakeProgramDir program;
    EventRecorder log;
    ProgressLog progress;
    EncoderInitRecord record;
    ScriptedEncoder encoder;
    ConversionJob job;
};

TEST_F(FfmpegEncoderRun, ReportsProgressAndRunsInTheOutputFolder) {
    program.script("out Input #0, asf, from 'clip.wmv':\\n\n"
                   "out size= 10kB time=10.00 bitrate= 8k\\n\n"
                   "out size= 20kB time=20.00 bitrate= 8k\\n\n"
                   "out size= 40kB time=41.00 bitrate= 8k\\n\n");
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 1);
    EXPECT_EQ(progress.percents(), (std::vector<int>{25, 50, 1}));
    EXPECT_EQ(program.workingDirectory(), program.file("out"));
    EXPECT_EQ(program.args(),
              "ffmpeg-converter\n-i\n/media/clip.wmv\n-y\n" + program.file("out/clip_x.avi") + "\n");
    EXPECT_TRUE(encoder.finished());
    EXPECT_GT(encoder.processHandle(), 0);
}

TEST_F(FfmpegEncoderRun, NonZeroExitWithoutStopFails) {
    program.script("out size= 10kB time=10.00 bitrate= 8k\\n\nout Conversion failed!\\n\nexit 3\n");
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 0);
    const std::string trace = program.trace();
    EXPECT_NE(trace.find("Conversion failed!\r\nThe converter failed: exit code 3\r\n"), std::string::npos);
    const auto errors = log.messages(1);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back(),
              "Module:CFFMPEGENCODER,Line:RunConversion,Error Info :The converter failed: exit code 3");
}

TEST_F(FfmpegEncoderRun, KilledConverterFails) {
    program.script("out size= 10kB time=10.00 bitrate= 8k\\n\nkill\n");
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 0);
}

TEST_F(FfmpegEncoderRun, StopDuringARunKeepsNothingAndSaysSo) {
    // The converter abandons a stopped run (its exit code for that is not 0).
    program.script("out size= 10kB time=10.00 bitrate= 8k\\n\nwaitq\nexit 75\n");
    std::int32_t result = -1;
    std::thread worker([&] { result = encoder.RunConversion(job.outputPath.c_str(), job.targetCode); });
    ASSERT_TRUE(progress.waitForProgress());
    EXPECT_EQ(encoder.RequestStop(), 1);
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(program.stdinBytes(), kStopBlock);
    EXPECT_FALSE(encoder.finished()); // no end event after a stop
    EXPECT_EQ(encoder.LastReport().outcome, ConversionReport::Outcome::Stopped);
    EXPECT_NE(program.trace().find("Stopped on request; the unfinished output was discarded"),
              std::string::npos);
}

TEST_F(FfmpegEncoderRun, StopBetweenPreparingAndRunningReachesTheConverter) {
    program.script("waitq\nexit 75\n");
    EXPECT_EQ(encoder.RequestStop(), 1);
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 0);
    EXPECT_EQ(program.stdinBytes(), kStopBlock);
    EXPECT_EQ(encoder.LastReport().outcome, ConversionReport::Outcome::Stopped);
    // The next preparation forgets it: this run waits for a stop that never comes, up to its end.
    ASSERT_EQ(encoder.PrepareCommand(&job), 1);
    EXPECT_EQ(encoder.LastReport().outcome, ConversionReport::Outcome::None);
    std::filesystem::remove(program.file("vec-stdin.bin"));
    program.script("out size= 10kB time=10.00 bitrate= 8k\\n\n");
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 1);
    EXPECT_EQ(program.stdinBytes(), "");
    EXPECT_TRUE(encoder.finished()) << "ended on its own, not stopped";
    EXPECT_EQ(encoder.LastReport().outcome, ConversionReport::Outcome::Converted);
}

TEST_F(FfmpegEncoderRun, AStopThatCameAfterTheConverterFinishedKeepsTheOutput) {
    program.script("out size= 10kB time=40.00 bitrate= 8k\\n\nwaitq\nexit 0\n");
    std::int32_t result = -1;
    std::thread worker([&] { result = encoder.RunConversion(job.outputPath.c_str(), job.targetCode); });
    ASSERT_TRUE(progress.waitForProgress());
    encoder.RequestStop();
    worker.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(encoder.LastReport().outcome, ConversionReport::Outcome::Converted);
}

// A failed run says why in the converter's own words, or that it was ended by a signal.
TEST_F(FfmpegEncoderRun, AFailureCarriesTheConvertersOwnReason) {
    struct Case {
        const char* script;
        const char* reason;
    };
    for (const auto& c : std::vector<Case>{
             {"out [aac @ 0x1] Too many channels\\n\nout vec: ffmpeg failed with exit code 1; nothing was "
              "written\\n\nexit 1\n",
              "[aac @ 0x1] Too many channels"},
             {"out av_interleaved_write_frame(): No space left on device\\n\nout size= 10kB time=10.00 "
              "bitrate= 8k\\n\nout vec: ffmpeg failed with exit code 1; nothing was written\\n\nexit 1\n",
              "the disk of the output folder is full (No space left on device)"},
             {"out Output file #0 does not contain any stream\\n\nexit 1\n",
              "the source has no stream this profile converts (an audio profile needs an audio stream, a "
              "video "
              "profile a picture)"},
             {"out vec: conversion interrupted by signal 15; nothing was written\\n\nexit 143\n",
              "the converter was ended by a signal"},
             {"out size= 10kB time=10.00 bitrate= 8k\\n\nkill\n",
              "the converter was ended by a signal (Killed)"},
             {"exit 4\n", "the converter failed with exit code 4"},
         }) {
        SCOPED_TRACE(c.script);
        ASSERT_EQ(encoder.PrepareCommand(&job), 1);
        program.script(c.script);
        EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 0);
        const ConversionReport report = encoder.LastReport();
        EXPECT_EQ(report.outcome, ConversionReport::Outcome::Failed);
        EXPECT_EQ(report.reason, c.reason);
    }
}

// A 40 s source whose converter got only so far: the output is kept, with a warning when a tenth and two
// seconds or more are missing.
TEST_F(FfmpegEncoderRun, AnOutputWellShortOfItsSourceIsKeptWithAWarning) {
    job.duration = 41.0; // the probe's length plus one
    for (const auto& [last, warned] :
         {std::pair{15, true}, std::pair{36, true}, std::pair{37, false}, std::pair{40, false}}) {
        SCOPED_TRACE(last);
        ASSERT_EQ(encoder.PrepareCommand(&job), 1);
        program.script("out size= 10kB time=" + std::to_string(last) + ".00 bitrate= 8k\\n\n");
        EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 1);
        const ConversionReport report = encoder.LastReport();
        EXPECT_EQ(report.outcome, ConversionReport::Outcome::Converted);
        EXPECT_EQ(!report.warning.empty(), warned) << report.warning;
    }
    EXPECT_NE(program.trace().find("Warning: the source ended early: the output holds 15 s of the 40 s"),
              std::string::npos);
}

TEST(RunReport, ExpectedLengthFollowsTheCutWithinTheSource) {
    struct Case {
        double duration; // as probed: the length plus one
        const char* start;
        const char* end;
        std::optional<double> expected;
    };
    for (const auto& c : std::vector<Case>{
             {61.0, "", "", 60.0},
             {61.0, "00:00:00", "00:01:01", 60.0}, // the End cell may name the second after the end
             {61.0, "00:00:10", "00:00:40", 30.0},
             {61.0, "00:00:50", "00:01:01", 10.0},
             {61.0, "00:01:00", "00:01:01", std::nullopt}, // starts at the end
             {1.0, "", "", std::nullopt},                  // length unknown
             {0.0, "", "", std::nullopt},
         }) {
        ConversionJob job;
        job.duration = c.duration;
        job.startTime.assign(c.start);
        job.endTime.assign(c.end);
        EXPECT_EQ(expectedOutputSeconds(job), c.expected) << c.start << "-" << c.end;
    }
    EXPECT_FALSE(shortOutputWarning(10.0, 8.1));
    EXPECT_TRUE(shortOutputWarning(10.0, 8.0));
    EXPECT_FALSE(shortOutputWarning(100.0, 90.1));
    EXPECT_TRUE(shortOutputWarning(100.0, 90.0));
}

TEST_F(FfmpegEncoderRun, MissingConverterFails) {
    std::filesystem::remove(program.converter());
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 0);
    EXPECT_TRUE(encoder.finished());
}

TEST_F(FfmpegEncoderRun, ErrorWhileHandlingLinesFailsTheRun) {
    program.script("out size= 10kB time=10.00 bitrate= 8k\\n\nexit 0\n");
    progress.hook = [](int) { throw std::runtime_error("window gone"); };
    EXPECT_EQ(encoder.RunConversion(job.outputPath.c_str(), job.targetCode), 0);
}

} // namespace
} // namespace morvane::engine
