#include "media/media_detector.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace morvane::media {
namespace {

using test::TempDir;

// Runs ffmpeg quietly with the given arguments; true when it made `output`.
bool makeMedia(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<std::string> argv{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(output);
    return test::runProgram(argv) == 0 && test::fileExists(output);
}

struct Outputs {
    double duration = -1;
    int hasVideo = -1;
    int hasAudio = -1;
    double frameRate = -1;
    int width = -1;
    int height = -1;
    int videoBitrate = -1;
    double audioBitrate = -1;
    double sampleRate = -1;
    int channels = -1;

    int detect(const std::string& path) {
        return DetectMedia(path, &duration, &hasVideo, &hasAudio, &frameRate, &width, &height, &videoBitrate,
                           &audioBitrate, &sampleRate, &channels);
    }
    void expectAllZero() const {
        EXPECT_EQ(duration, 0.0);
        EXPECT_EQ(hasVideo, 0);
        EXPECT_EQ(hasAudio, 0);
        EXPECT_EQ(frameRate, 0.0);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
        EXPECT_EQ(videoBitrate, 0);
        EXPECT_EQ(audioBitrate, 0.0);
        EXPECT_EQ(sampleRate, 0.0);
        EXPECT_EQ(channels, 0);
    }
};

TEST(DetectMedia, VideoAndAudioClip) {
    TempDir dir;
    const auto clip = dir.file("clip.avi");
    ASSERT_TRUE(test::generateClip(clip, "av", 2.0, 320, 240));
    Outputs out;
    EXPECT_EQ(out.detect(clip), kDetectOk);
    EXPECT_NEAR(out.duration, 2.0, 0.1);
    EXPECT_EQ(out.hasVideo, 1);
    EXPECT_EQ(out.hasAudio, 1);
    EXPECT_NEAR(out.frameRate, 25.0, 0.01);
    EXPECT_EQ(out.width, 320);
    EXPECT_EQ(out.height, 240);
    EXPECT_GT(out.videoBitrate, 0);
    EXPECT_GT(out.audioBitrate, 0.0);
    EXPECT_EQ(out.sampleRate, 44100.0);
    EXPECT_EQ(out.channels, 1);
}

TEST(DetectMedia, VideoOnlyAndAudioOnly) {
    TempDir dir;
    const auto video = dir.file("video.mp4");
    const auto audio = dir.file("audio.wav");
    ASSERT_TRUE(test::generateClip(video, "video", 1.0, 176, 144));
    ASSERT_TRUE(test::generateClip(audio, "audio", 1.5));

    Outputs v;
    EXPECT_EQ(v.detect(video), kDetectOk);
    EXPECT_EQ(v.hasVideo, 1);
    EXPECT_EQ(v.hasAudio, 0);
    EXPECT_NEAR(v.duration, 1.0, 0.05);
    EXPECT_EQ(v.width, 176);
    EXPECT_EQ(v.height, 144);
    EXPECT_GT(v.videoBitrate, 0);
    EXPECT_EQ(v.audioBitrate, 0.0);
    EXPECT_EQ(v.sampleRate, 0.0);
    EXPECT_EQ(v.channels, 0);

    Outputs a;
    EXPECT_EQ(a.detect(audio), kDetectOk);
    EXPECT_EQ(a.hasVideo, 0);
    EXPECT_EQ(a.hasAudio, 1);
    EXPECT_NEAR(a.duration, 1.5, 0.05);
    EXPECT_EQ(a.width, 0);
    EXPECT_EQ(a.height, 0);
    EXPECT_EQ(a.frameRate, 0.0);
    EXPECT_EQ(a.audioBitrate, 44100.0 * 16); // PCM states its rate
    EXPECT_EQ(a.sampleRate, 44100.0);
    EXPECT_EQ(a.channels, 1);
}

TEST(DetectMedia, StillPictureHasSizeButNoLength) {
    TempDir dir;
    for (const std::string name : {"still.png", "still.jpg"}) {
        const auto path = dir.file(name);
        ASSERT_TRUE(test::generateClip(path, "still", 1.0, 160, 120));
        Outputs out;
        EXPECT_EQ(out.detect(path), kDetectOk) << name;
        EXPECT_EQ(out.hasVideo, 1) << name;
        EXPECT_EQ(out.hasAudio, 0) << name;
        EXPECT_EQ(out.width, 160) << name;
        EXPECT_EQ(out.height, 120) << name;
        EXPECT_EQ(out.duration, 0.0) << name;
        EXPECT_EQ(out.frameRate, 0.0) << name;
    }
}

TEST(DetectMedia, LengthsGuessedFromTheBitRateAreMarked) {
    TempDir dir;
    const auto raw = dir.file("raw.mpg");
    const auto timed = dir.file("timed.mpg");
    ASSERT_TRUE(makeMedia({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-c:v",
                           "mpeg1video", "-f", "mpeg1video"},
                          raw));
    ASSERT_TRUE(makeMedia(
        {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-c:v", "mpeg1video"}, timed));
    MediaFacts facts;
    ASSERT_EQ(detectMediaFacts(raw, facts), kDetectOk);
    EXPECT_TRUE(facts.lengthGuessed) << facts.duration;
    ASSERT_EQ(detectMediaFacts(timed, facts), kDetectOk);
    EXPECT_FALSE(facts.lengthGuessed);
    EXPECT_NEAR(facts.duration, 2.0, 0.1);
}

TEST(DetectMedia, UnreadableFilesFailWithEveryOutputZero) {
    TempDir dir;
    const auto empty = dir.file("empty.avi");
    const auto text = dir.file("notes.avi");
    test::writeFile(empty, "");
    test::writeFile(text, "This is a plain text file, not a video.\nSecond line.\n");
    for (const auto& path : {empty, text, dir.file("missing.avi"), dir.path(), std::string()}) {
        Outputs out;
        EXPECT_NE(out.detect(path), kDetectOk) << path;
        out.expectAllZero();
    }
    EXPECT_EQ(DetectMedia(empty, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), kDetectFailed);
}

TEST(DetectMedia, NullOutputsAreSkipped) {
    TempDir dir;
    const auto clip = dir.file("clip.avi");
    ASSERT_TRUE(test::generateClip(clip, "av", 1.0, 320, 240));
    int width = 0;
    double duration = 0;
    EXPECT_EQ(DetectMedia(clip, &duration, nullptr, nullptr, nullptr, &width, nullptr), kDetectOk);
    EXPECT_EQ(width, 320);
    EXPECT_NEAR(duration, 1.0, 0.1);
}

TEST(DetectMedia, DurationIsTheLongerStreamAndLaterStreamsOverwrite) {
    TempDir dir;
    // Video of 1 s, then two audio streams: 2 s mono at 44.1 kHz and 1.5 s stereo at 22.05 kHz.
    const auto clip = dir.file("streams.mkv");
    ASSERT_TRUE(
        makeMedia({"-f",   "lavfi",    "-i",   "testsrc=size=320x240:rate=25:duration=1",
                   "-f",   "lavfi",    "-i",   "sine=sample_rate=44100:duration=2",
                   "-f",   "lavfi",    "-i",   "sine=sample_rate=22050:duration=1.5,pan=stereo|c0=c0|c1=c0",
                   "-map", "0",        "-map", "1",
                   "-map", "2",        "-c:v", "mpeg4",
                   "-c:a", "libvorbis"},
                  clip));
    Outputs out;
    EXPECT_EQ(out.detect(clip), kDetectOk);
    EXPECT_EQ(out.hasVideo, 1);
    EXPECT_EQ(out.hasAudio, 1);
    EXPECT_EQ(out.sampleRate, 22050.0);
    EXPECT_EQ(out.channels, 2);
    // Matroska keeps lengths in tags: the last audio stream's 1.5 s is longer than the video's 1 s.
    EXPECT_NEAR(out.duration, 1.5, 0.1);
    // Matroska states no stream bit rates; the video gets what the container reports.
    EXPECT_GT(out.videoBitrate, 0);
}

TEST(DetectMedia, CoverArtIsNotVideo) {
    TempDir dir;
    const auto cover = dir.file("cover.png");
    const auto song = dir.file("song.mp3");
    ASSERT_TRUE(test::generateClip(cover, "still", 1.0, 64, 64));
    ASSERT_TRUE(makeMedia({"-f", "lavfi", "-i", "sine=duration=1", "-i", cover, "-map", "0", "-map", "1",
                           "-c:a", "libmp3lame", "-c:v", "png", "-disposition:v", "attached_pic"},
                          song));
    Outputs out;
    EXPECT_EQ(out.detect(song), kDetectOk);
    EXPECT_EQ(out.hasVideo, 0);
    EXPECT_EQ(out.width, 0);
    EXPECT_EQ(out.hasAudio, 1);
    EXPECT_NEAR(out.duration, 1.0, 0.1);
    EXPECT_GT(out.audioBitrate, 0.0);
}

TEST(DetectMedia, NamesThatLookLikeUrlsOrPatternsAreFiles) {
    TempDir dir;
    for (const std::string name : {"http:clip.mp4", "clip%d.mp4", "-clip.mp4"}) {
        const auto path = dir.file(name);
        ASSERT_TRUE(test::generateClip(dir.file("plain.mp4"), "video", 1.0, 128, 96));
        ASSERT_EQ(std::rename(dir.file("plain.mp4").c_str(), path.c_str()), 0);
        Outputs out;
        EXPECT_EQ(out.detect(path), kDetectOk) << name;
        EXPECT_EQ(out.width, 128) << name;
    }
}

} // namespace
} // namespace morvane::media
