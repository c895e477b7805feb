#include "engine/conversion_job.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane::engine {
namespace {

TEST(ConversionJob, StartsEmpty) {
    const ConversionJob job;
    EXPECT_TRUE(job.videoCodec.empty());
    EXPECT_EQ(job.videoBitrate, 0);
    EXPECT_EQ(job.width, 0);
    EXPECT_EQ(job.duration, 0.0);
    EXPECT_TRUE(job.startTime.empty());
    EXPECT_EQ(job.profile, nullptr);
    const EncoderInitRecord record;
    EXPECT_EQ(record.callback, nullptr);
    EXPECT_EQ(record.kind, EncoderKind::Converter);
    EXPECT_TRUE(record.programDirectory.empty());
}

TEST(ConversionJob, TextsKeepTheirCapacities) {
    ConversionJob job;
    const std::string longText(3000, 'a');
    EXPECT_EQ(job.videoCodec.assign(longText), 1024u);
    EXPECT_EQ(job.aspect.assign(longText), 255u);
    EXPECT_EQ(job.comment.assign(longText), 255u);
    EXPECT_EQ(job.outputPath.assign(longText), 1024u);
    EXPECT_EQ(job.startTime.assign(longText), 15u);
}

TEST(ConversionJob, ResetClearsTheSettingsAndAppliesTheDefaults) {
    ConversionJob job;
    job.videoCodec.assign("xvid");
    job.title.assign("t");
    job.videoBitrate = 5;
    job.frameRate = 5;
    job.progressDuration = 5;
    job.aspect.assign("16:9");
    job.width = 5;
    job.height = 5;
    job.variant = 5;
    job.audioCodec.assign("mp3");
    job.audioBitrate = 5;
    job.sampleRate = 5;
    job.channels = 5;
    job.volume = 5;
    job.author.assign("a");
    job.album.assign("b");
    job.copyright.assign("c");
    job.comment.assign("d");
    // Facts and paths beyond the settings.
    job.sourceVideoBitrate = 7;
    job.duration = 61.0;
    job.sourceWidth = 320;
    job.sourceHeight = 240;
    job.sourcePath.assign("/media/clip.avi");
    job.outputPath.assign("/out/clip");
    job.targetCode = 9;
    job.hasVideo = 1;
    job.hasAudio = 1;
    job.useFrameServer = 1;
    job.startTime.assign("00:00:10");
    auto* profile = reinterpret_cast<profiles::Profile*>(&job);
    job.profile = profile;

    resetJobSettings(job);

    EXPECT_TRUE(job.videoCodec.empty());
    EXPECT_TRUE(job.title.empty());
    EXPECT_EQ(job.videoBitrate, 1200);
    EXPECT_EQ(job.frameRate, 25.0);
    EXPECT_EQ(job.progressDuration, 0.0);
    EXPECT_TRUE(job.aspect.empty());
    EXPECT_EQ(job.width, 240);
    EXPECT_EQ(job.height, 0);
    EXPECT_EQ(job.variant, 0);
    EXPECT_TRUE(job.audioCodec.empty());
    EXPECT_EQ(job.audioBitrate, 64.0);
    EXPECT_EQ(job.sampleRate, 44100.0);
    EXPECT_EQ(job.channels, 1);
    EXPECT_EQ(job.volume, 256);
    EXPECT_TRUE(job.author.empty());
    EXPECT_TRUE(job.album.empty());
    EXPECT_TRUE(job.copyright.empty());
    EXPECT_TRUE(job.comment.empty());

    EXPECT_EQ(job.sourceVideoBitrate, 7);
    EXPECT_EQ(job.duration, 61.0);
    EXPECT_EQ(job.sourceWidth, 320);
    EXPECT_EQ(job.sourceHeight, 240);
    EXPECT_EQ(job.sourcePath.view(), "/media/clip.avi");
    EXPECT_EQ(job.outputPath.view(), "/out/clip");
    EXPECT_EQ(job.targetCode, 9);
    EXPECT_EQ(job.hasVideo, 1);
    EXPECT_EQ(job.hasAudio, 1);
    EXPECT_EQ(job.useFrameServer, 1);
    EXPECT_EQ(job.startTime.view(), "00:00:10");
    EXPECT_EQ(job.profile, profile);
}

} // namespace
} // namespace morvane::engine
