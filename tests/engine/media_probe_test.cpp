#include "engine/media_probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "engine/ffmpeg_encoder.h"
#include "engine/quillon_media_cntl.h"
#include "media/media_facts_record.h"
#include "media/remembered_facts.h"
#include "tests/engine/engine_test_env.h"

namespace morvane::engine {
namespace {

using morvane::test::TempDir;
using test::EventRecorder;
using test::FakeProgramDir;

// Generated clips, made once per test process.
const TempDir& clips() {
    static const TempDir dir;
    static const bool made = [] {
        const TempDir& d = dir;
        bool ok = morvane::test::generateClip(d.file("av.mkv"), "av", 2.0, 320, 240);
        ok = morvane::test::generateClip(d.file("video.avi"), "video", 2.0, 176, 144) && ok;
        ok = morvane::test::generateClip(d.file("audio.wav"), "audio", 2.0) && ok;
        ok = morvane::test::generateClip(d.file("still.png"), "still", 1.0, 320, 240) && ok;
        morvane::test::writeFile(d.file("empty.mp4"), "");
        morvane::test::writeFile(d.file("notes.avi"), "These are notes, not a film.\n");
        return ok;
    }();
    EXPECT_TRUE(made) << "ffmpeg could not generate the test clips";
    return dir;
}

struct Probed {
    std::int32_t result = 0;
    ConversionJob job;
};

Probed probe(const FakeProgramDir& programDir, const std::string& path) {
    Probed probed;
    probed.job.sourcePath = path;
    probed.result = probeMediaFile(programDir.dir(), path.c_str(), &probed.job);
    return probed;
}

TEST(MediaProbe, ClipsTheDetectorReads) {
    FakeProgramDir programDir;
    const Probed av = probe(programDir, clips().file("av.mkv"));
    EXPECT_EQ(av.result, 1);
    EXPECT_NEAR(av.job.duration, 3.0, 0.1); // the length and the added second
    EXPECT_EQ(av.job.hasVideo, 1);
    EXPECT_EQ(av.job.hasAudio, 1);
    EXPECT_EQ(av.job.sourceWidth, 320);
    EXPECT_EQ(av.job.sourceHeight, 240);
    EXPECT_NEAR(av.job.sourceFrameRate, 25.0, 0.01);
    EXPECT_DOUBLE_EQ(av.job.sourceSampleRate, 44100.0);
    EXPECT_EQ(av.job.sourceChannels, 1);
    EXPECT_EQ(av.job.useFrameServer, 1);

    const Probed video = probe(programDir, clips().file("video.avi"));
    EXPECT_EQ(video.result, 1);
    EXPECT_NEAR(video.job.duration, 3.0, 0.1);
    EXPECT_EQ(video.job.hasVideo, 1);
    EXPECT_EQ(video.job.hasAudio, 0);
    EXPECT_EQ(video.job.sourceWidth, 176);
    EXPECT_EQ(video.job.sourceHeight, 144);
    EXPECT_GT(video.job.sourceVideoBitrate, 0);
    EXPECT_EQ(video.job.useFrameServer, 1);

    EXPECT_FALSE(programDir.converterRan()); // the detector was enough
}

// What the converter is handed for its input is what the file holds when the conversion starts,
// even when another file took its name after it was added.
TEST(MediaProbe, TheConverterIsHandedTheFactsOfTheFileAsItIsNow) {
    FakeProgramDir programDir;
    TempDir dir;
    const std::string path = dir.file("clip.avi");
    std::filesystem::copy_file(clips().file("video.avi"), path);
    ASSERT_EQ(probe(programDir, path).result, 1);
    const auto added = media::mediaFactsFromRecord(media::currentFactsRecord(path), path);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->width, 176);

    std::filesystem::copy_file(clips().file("av.mkv"), dir.file("other.mkv"));
    std::filesystem::rename(dir.file("other.mkv"), path);
    const auto now = media::mediaFactsFromRecord(media::currentFactsRecord(path), path);
    ASSERT_TRUE(now);
    EXPECT_EQ(now->width, 320);
    EXPECT_EQ(now->hasAudio, 1);
    EXPECT_EQ(media::currentFactsRecord(dir.file("gone.avi")), "");
}

TEST(MediaProbe, AudioOnlyFilesAskTheConverter) {
    FakeProgramDir programDir;
    programDir.script("out Duration:2 Width:0 Height:0 Video:0 Audio:1\n");
    const std::string path = clips().file("audio.wav");
    const Probed audio = probe(programDir, path);
    EXPECT_EQ(audio.result, 1);
    EXPECT_DOUBLE_EQ(audio.job.duration, 3.0);
    EXPECT_EQ(audio.job.hasVideo, 0);
    EXPECT_EQ(audio.job.hasAudio, 1);
    EXPECT_EQ(audio.job.useFrameServer, 0);                // never the frame-server route
    EXPECT_DOUBLE_EQ(audio.job.sourceSampleRate, 44100.0); // the detector's facts stay
    EXPECT_EQ(programDir.args(), "ffmpeg-converter\n-info\n" + path + "\n");
}

TEST(MediaProbe, StillPicturesLastFiveMinutes) {
    FakeProgramDir programDir;
    programDir.script("out Duration:0 Width:320 Height:240 Video:1 Audio:0\n");
    const Probed still = probe(programDir, clips().file("still.png"));
    EXPECT_EQ(still.result, 1);
    EXPECT_DOUBLE_EQ(still.job.duration, 301.0);
    EXPECT_EQ(still.job.sourceWidth, 320);
    EXPECT_EQ(still.job.sourceHeight, 240);
    EXPECT_EQ(still.job.useFrameServer, 0);
    EXPECT_TRUE(programDir.converterRan());
}

TEST(MediaProbe, FilesNothingCanRead) {
    for (const char* name : {"empty.mp4", "notes.avi", "missing.avi"}) {
        SCOPED_TRACE(name);
        FakeProgramDir programDir;
        programDir.script("out [error] cannot read the file\n");
        const Probed none = probe(programDir, clips().file(name));
        EXPECT_EQ(none.result, 0);
        EXPECT_EQ(none.job.duration, 0.0);
        EXPECT_EQ(none.job.hasVideo, 0);
        EXPECT_EQ(none.job.hasAudio, 0);
        EXPECT_EQ(none.job.useFrameServer, 0);
        EXPECT_TRUE(programDir.converterRan());
    }
    // Without a converter to ask, the probe fails the same way.
    FakeProgramDir withoutConverter(false);
    EXPECT_EQ(probe(withoutConverter, clips().file("notes.avi")).result, 0);
}

// The converter's answer as it may arrive: whole, in pieces, after diagnostics, with Windows line ends.
TEST(ConverterProbe, ReadsTheInformationLineHoweverItArrives) {
    const struct {
        const char* name;
        const char* script;
        std::int32_t result;
        int seconds;
    } cases[] = {
        {"whole", "out Duration:59 Width:320 Height:240 Video:1 Audio:1\n", 1, 59},
        {"split across two reads", "chunk 17\nout Duration:59 Width:320 Height:240 Video:1 Audio:1\n", 1, 59},
        {"split inside the length", "chunk 11\nout Duration:1234 Width:320 Height:240 Video:1 Audio:1\n", 1,
         1234},
        {"after diagnostics",
         "out Input #0, avi, from 'x.avi':\\n  Stream #0:0: Video\\r\\nDuration:59 Width:320 Height:240 "
         "Video:1 "
         "Audio:1\\r\\n",
         1, 59},
        {"without a line end", "out Duration:59 Width:320 Height:240 Video:1 Audio:1", 1, 59},
        {"after a runaway line", "longline 9000\nout Duration:59 Width:320 Height:240 Video:1 Audio:1\n", 1,
         59},
        {"no length", "out Duration:0 Width:320 Height:240 Video:0 Audio:1\n", 0, 0},
        {"a line cut short", "out Duration:59 Width:320\n", 0, 0},
        {"nothing", "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProgramDir programDir;
        programDir.script(c.script);
        int seconds = -1, width = -1, height = -1, video = -1, audio = -1;
        EXPECT_EQ(
            probeWithConverter(programDir.dir(), "/media/x.avi", &seconds, &width, &height, &video, &audio),
            c.result);
        if (c.result == 1) {
            EXPECT_EQ(seconds, c.seconds);
            EXPECT_EQ(width, 320);
            EXPECT_EQ(height, 240);
            EXPECT_EQ(video, 1);
            EXPECT_EQ(audio, 1);
        }
    }
}

TEST(ConverterProbe, DoesNotWaitForTheConverterToEnd) {
    FakeProgramDir programDir;
    programDir.script("out Duration:7 Width:320 Height:240 Video:1 Audio:0\nsleep 20000\n");
    int seconds = 0, width = 0, height = 0, video = 0, audio = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probeWithConverter(programDir.dir(), "/media/x.avi", &seconds, &width, &height, &video, &audio),
              1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(seconds, 7);
}

TEST(ConverterProbe, GivesUpOnAConverterThatDoesNotAnswer) {
    FakeProgramDir programDir;
    programDir.script("out Duration:0 Width:0 Height:0 Video:0 Audio:0\nsleep 20000\n");
    int seconds = 0, width = 0, height = 0, video = 0, audio = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probeWithConverter(programDir.dir(), "/media/x.avi", &seconds, &width, &height, &video, &audio,
                                 std::chrono::milliseconds(300)),
              0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(probeWithConverter(programDir.dir(), "/media/x.avi", nullptr, &width, &height, &video, &audio),
              0);
}

TEST(ConverterProbe, InformationLines) {
    const auto info = parseConverterInfoLine("Duration:12 Width:640 Height:480 Video:1 Audio:0");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->seconds, 12);
    EXPECT_EQ(info->width, 640);
    EXPECT_EQ(info->height, 480);
    EXPECT_EQ(info->video, 1);
    EXPECT_EQ(info->audio, 0);
    EXPECT_TRUE(parseConverterInfoLine("  Duration: 12  Width:640 Height:480 Video:1 Audio:0 trailing"));
    EXPECT_EQ(parseConverterInfoLine("Duration:99999999999 Width:1 Height:1 Video:1 Audio:0")->seconds,
              2147483647);
    EXPECT_FALSE(parseConverterInfoLine("Duration:12 Width:640 Height:480 Video:1"));
    EXPECT_FALSE(parseConverterInfoLine("duration:12 Width:640 Height:480 Video:1 Audio:0"));
    EXPECT_FALSE(parseConverterInfoLine("Length:12 Width:640 Height:480 Video:1 Audio:0"));
    EXPECT_FALSE(parseConverterInfoLine(""));
}

// Detectors standing in for DetectMedia, to steer the probe's decisions.
int detectLongClip(std::string_view, double* duration, int* hasVideo, int* hasAudio, double* frameRate,
                   int* width, int* height, int*, double*, double*, int*) {
    *duration = 59.6;
    *hasVideo = 1;
    *hasAudio = 1;
    *frameRate = 25.0;
    *width = 320;
    *height = 240;
    return 0;
}

int detectNothing(std::string_view, double* duration, int*, int*, double*, int* width, int* height, int*,
                  double*, double*, int*) {
    *duration = 0.0;
    *width = 0;
    *height = 0;
    return -1;
}

int detectAndThrow(std::string_view, double*, int*, int*, double*, int*, int*, int*, double*, double*, int*) {
    throw std::runtime_error("the detector broke");
}

TEST(MediaProbe, DecisionsOnTheDetectorsFacts) {
    FakeProgramDir programDir;
    ConversionJob job;
    ASSERT_EQ(probeMediaFile(programDir.dir(), "/media/x.avi", &job, &detectLongClip), 1);
    EXPECT_DOUBLE_EQ(job.duration, 60.6);
    EXPECT_EQ(job.useFrameServer, 1);

    programDir.script("out Duration:59 Width:320 Height:240 Video:1 Audio:1\n");
    job = ConversionJob{};
    ASSERT_EQ(probeMediaFile(programDir.dir(), "/media/x.avi", &job, &detectNothing), 1);
    EXPECT_DOUBLE_EQ(job.duration, 60.0);
    EXPECT_EQ(job.useFrameServer, 0);
    EXPECT_EQ(job.sourceWidth, 320);
    EXPECT_EQ(job.hasVideo, 1);
    EXPECT_EQ(job.hasAudio, 1);
}

TEST(MediaProbe, AnExceptionLeavesTheConverterToDecide) {
    FakeProgramDir programDir;
    EventRecorder events;
    programDir.script("out Duration:59 Width:320 Height:240 Video:1 Audio:1\n");
    ConversionJob job;
    ASSERT_EQ(probeMediaFile(programDir.dir(), "/media/x.avi", &job, &detectAndThrow), 1);
    EXPECT_DOUBLE_EQ(job.duration, 59.0); // this path adds no second
    EXPECT_EQ(job.useFrameServer, 0);
    EXPECT_TRUE(events.messages(1).empty());

    programDir.script("");
    job = ConversionJob{};
    EXPECT_EQ(probeMediaFile(programDir.dir(), "/media/x.avi", &job, &detectAndThrow), 0);
    const auto errors = events.messages(1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Module:ffff01,bGetMediaFileContent raise exception");
}

TEST(MediaProbe, ThroughTheFacade) {
    FakeProgramDir programDir;
    test::ProgressLog log;
    CQuillonMediaCntl facade;
    const EncoderInitRecord record = test::makeInitRecord(log, programDir.dir());
    ASSERT_EQ(facade.Init(&record), 1);
    ConversionJob job;
    job.sourcePath = clips().file("av.mkv");
    EXPECT_EQ(facade.bGetMediaFileContent(job.sourcePath.c_str(), &job), 1);
    EXPECT_EQ(job.useFrameServer, 1);
    EXPECT_GT(job.duration, 2.5);
    EXPECT_EQ(facade.bGetMediaFileContent(clips().file("notes.avi").c_str(), &job), 0);
    EXPECT_EQ(facade.bGetMediaFileContent(job.sourcePath.c_str(), nullptr), 0);
}

} // namespace
} // namespace morvane::engine
