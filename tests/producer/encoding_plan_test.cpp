#include "producer/encoding_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace morvane::producer {
namespace {

// The plan into `plan`, or false with the reason in `error`.
bool buildPlan(const PlanRequest& request, const LibrarySettings& settings, EncodingPlan& plan,
               std::string& error) {
    auto built = buildEncodingPlan(request, settings);
    error = built.error();
    if (built) {
        plan = *std::move(built);
    }
    return built.hasValue();
}

// True when `part` occurs in `whole` as consecutive items.
bool containsRun(const std::vector<std::string>& whole, const std::vector<std::string>& part) {
    return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

std::ptrdiff_t positionOf(const std::vector<std::string>& whole, const std::string& item) {
    return std::find(whole.begin(), whole.end(), item) - whole.begin();
}

SourceFacts source(int width, int height, double rate = 25.0, double aspect = 1.0) {
    SourceFacts facts;
    facts.hasVideo = width > 0;
    facts.videoStream = 0;
    facts.width = width;
    facts.height = height;
    facts.frameRate = rate;
    facts.sampleAspect = aspect;
    facts.hasAudio = true;
    facts.audioStream = 1;
    facts.sampleRate = 44100;
    facts.channels = 2;
    facts.duration = 30.0;
    return facts;
}

TEST(EncodingPlan, FrameSizesAreRoundedAndBoundedForTheVideoCodec) {
    const CodecSettings codecs;
    const struct {
        unsigned width, height;
        SourceFacts source;
        int expectedWidth, expectedHeight;
    } cases[] = {
        {320, 240, source(640, 480), 320, 240},
        {321, 241, source(640, 480), 320, 240},              // sides become multiples of 4
        {320, 0, source(640, 360), 320, 180},                // the missing side keeps the source's shape
        {0, 240, source(720, 576, 25, 16.0 / 15), 320, 240}, // ... the shape as displayed
        {0, 0, source(720, 576, 25, 64.0 / 45), 1024, 576},
        {0, 0, source(1920, 1080), 1280, 720}, // larger than the codec's picture: scaled down
        {4096, 2304, source(640, 480), 1280, 720},
        {240, 0, source(0, 0), 240, 180}, // no known shape: 4:3
        {2, 2, source(640, 480), 4, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const FrameSize size = outputFrameSize(c.width, c.height, c.source, codecs);
        EXPECT_EQ(size.width, c.expectedWidth);
        EXPECT_EQ(size.height, c.expectedHeight);
        EXPECT_EQ(size.width % codecs.sizeMultiple, 0);
        EXPECT_EQ(size.height % codecs.sizeMultiple, 0);
        EXPECT_LE(size.width * size.height, codecs.maxPixels);
    }
}

TEST(EncodingPlan, FrameRatesAreWholeAndCapped) {
    const struct {
        double sourceRate;
        double cap;
        const char* mode;
        int expected;
    } cases[] = {
        {29.97, 0, "normal", 30}, {25, 15, "normal", 15}, {25, 7.5, "normal", 7},
        {0, 0, "normal", 25},     {24, 30, "smooth", 24}, {60, 30, "sharp", 15},
        {24, 0, "slideshow", 1},  {25, 0, "blurry", 0},   {0.2, 0, "normal", 1},
    };
    for (const auto& c : cases) {
        SourceFacts facts = source(320, 240, c.sourceRate);
        EXPECT_EQ(outputFrameRate(facts, c.cap, c.mode), c.expected)
            << c.sourceRate << " " << c.cap << " " << c.mode;
    }
}

TEST(EncodingPlan, AudioTakesARateAndChannelsTheCodecAccepts) {
    const std::vector<int> rates{32000, 44100, 48000};
    const struct {
        int source, limit, expected;
    } sampleRates[] = {
        {44100, 48000, 44100}, {48000, 44100, 44100}, {22050, 48000, 32000}, {8000, 32000, 32000},
        {96000, 48000, 48000}, {48000, 16000, 32000}, {32000, 48000, 32000},
    };
    for (const auto& c : sampleRates) {
        EXPECT_EQ(outputSampleRate(c.source, c.limit, rates), c.expected)
            << c.source << " within " << c.limit;
    }

    const struct {
        int source;
        ChannelChoice choice;
        const char* mode;
        int expected;
    } channels[] = {
        {6, ChannelChoice::Source, "music", 6}, {8, ChannelChoice::Source, "music", 6},
        {6, ChannelChoice::Stereo, "music", 2}, {1, ChannelChoice::Stereo, "music", 1},
        {2, ChannelChoice::Mono, "music", 1},   {6, ChannelChoice::Source, "voice", 1},
        {0, ChannelChoice::Stereo, "music", 1},
    };
    for (const auto& c : channels) {
        EXPECT_EQ(outputChannels(c.source, c.choice, c.mode, 6), c.expected) << c.source << " " << c.mode;
    }
}

TEST(EncodingPlan, PicturesKeepTheirShapeWithBars) {
    const struct {
        SourceFacts source;
        FrameSize frame;
        std::string filters;
    } cases[] = {
        {source(640, 480), {320, 240}, "scale=320:240,setsar=1"},
        {source(320, 320), {320, 240}, "scale=240:240,setsar=1,pad=320:240:40:0:color=black"},
        {source(1280, 720), {320, 240}, "scale=320:180,setsar=1,pad=320:240:0:30:color=black"},
        {source(500, 200), {176, 144}, "scale=176:70,setsar=1,pad=176:144:0:36:color=black"},
        // Pixels twice as wide as high: 352x288 shows at 2.44:1.
        {source(352, 288, 25, 2.0), {320, 240}, "scale=320:130,setsar=1,pad=320:240:0:54:color=black"},
        // 4:3 into 176x144 (1.22:1): bars above and below.
        {source(640, 480), {176, 144}, "scale=176:132,setsar=1,pad=176:144:0:6:color=black"},
        // Within 1 %: no bars.
        {source(720, 404), {320, 180}, "scale=320:180,setsar=1"},
        {source(0, 0), {320, 240}, "scale=320:240,setsar=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.source.width) + "x" + std::to_string(c.source.height));
        EXPECT_EQ(fitPictureFilters(c.source, c.frame), c.filters);
    }
}

class EncodingPlanRequest : public ::testing::Test {
protected:
    EncodingPlanRequest() {
        request.sourcePath = "/media/a clip.avi";
        request.writePath = "/out/a clip_new.rm.partial";
        request.source = source(640, 480);
        request.width = 320;
        request.height = 240;
        VideoStreamSettings video;
        video.bitrateKbps = 100;
        video.maxFrameRate = 15;
        request.video = video;
        AudioStreamSettings audio;
        audio.bitrateKbps = 20;
        audio.channels = ChannelChoice::Mono;
        audio.maxSampleRate = 32000;
        request.audio = audio;
    }

    PlanRequest request;
    LibrarySettings settings;
    EncodingPlan plan;
    std::string error;
};

TEST_F(EncodingPlanRequest, GivesTheEncoderEverySetting) {
    request.blackLevel = true;
    request.gainDb = 6.0;
    request.startTime = 5;
    request.endTime = 15;
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    const auto& args = plan.arguments;
    EXPECT_TRUE(containsRun(args, {"-progress", "pipe:1"}));
    EXPECT_TRUE(containsRun(args, {"-ss", "5", "-i", "file:/media/a clip.avi", "-t", "10"}));
    EXPECT_TRUE(containsRun(
        args, {"-map", "0:0", "-c:v", "rv20", "-vf",
               "fps=15,scale=320:240,setsar=1,format=yuv420p,lutyuv=y='clip(16+(val-20)*219/215,16,255)'",
               "-r", "15", "-g", "150"}));
    // The buffer of four seconds at 100 kbit/s.
    EXPECT_TRUE(containsRun(args, {"-b:v", "100k", "-maxrate", "100k", "-bufsize", "400k", "-mbd", "bits"}));
    // AC-3 needs 32 kbit/s at least.
    EXPECT_TRUE(containsRun(args, {"-map", "0:1", "-c:a", "ac3", "-b:a", "32k", "-ar", "32000", "-ac", "1",
                                   "-rematrix_maxval", "1.0", "-af", "volume=6dB,asoftclip=type=hard"}));
    EXPECT_TRUE(containsRun(args, {"-f", "rm", "file:/out/a clip_new.rm.partial"}));
    EXPECT_EQ(args.back(), "file:/out/a clip_new.rm.partial");
    EXPECT_DOUBLE_EQ(plan.duration, 10.0);
    EXPECT_TRUE(plan.video && plan.audio);
}

TEST_F(EncodingPlanRequest, WithoutPrefiltersOrCutNothingOfThemAppears) {
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    const auto& args = plan.arguments;
    EXPECT_EQ(positionOf(args, "-ss"), static_cast<std::ptrdiff_t>(args.size()));
    EXPECT_EQ(positionOf(args, "-t"), static_cast<std::ptrdiff_t>(args.size()));
    EXPECT_TRUE(containsRun(args, {"-af", "asoftclip=type=hard"}));
    EXPECT_TRUE(containsRun(args, {"-vf", "fps=15,scale=320:240,setsar=1,format=yuv420p"}));
    EXPECT_DOUBLE_EQ(plan.duration, 30.0);
}

TEST_F(EncodingPlanRequest, RateControlShapesTheBitRateSettings) {
    const struct {
        RateControl control;
        int quality;
        std::vector<std::string> expected;
    } cases[] = {
        {RateControl::Constant, 0, {"-b:v", "1000k", "-maxrate", "1000k", "-bufsize", "480k"}},
        {RateControl::Variable, 0, {"-b:v", "1000k", "-maxrate", "2000k", "-bufsize", "480k"}},
        {RateControl::Quality, 100, {"-qmin", "2", "-b:v", "1000k", "-maxrate", "1000k"}},
        {RateControl::Quality, 70, {"-qmin", "9", "-b:v", "1000k"}},
    };
    for (const auto& c : cases) {
        request.video->bitrateKbps = 1000;
        request.video->rateControl = c.control;
        request.video->quality = c.quality;
        ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
        EXPECT_TRUE(containsRun(plan.arguments, c.expected)) << c.expected.front() << " " << c.quality;
    }
}

TEST_F(EncodingPlanRequest, KeepsOnlyTheStreamsBothSourceAndAudienceHave) {
    request.source.hasAudio = false;
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    EXPECT_TRUE(plan.video);
    EXPECT_FALSE(plan.audio);
    EXPECT_EQ(positionOf(plan.arguments, "-c:a"), static_cast<std::ptrdiff_t>(plan.arguments.size()));

    request.source = source(0, 0);
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    EXPECT_FALSE(plan.video);
    EXPECT_TRUE(plan.audio);

    // An audio-only audience and a source without audio: nothing to write.
    request.source = source(640, 480);
    request.source.hasAudio = false;
    request.video.reset();
    EXPECT_FALSE(buildPlan(request, settings, plan, error));
    EXPECT_NE(error.find("no stream"), std::string::npos) << error;
}

TEST_F(EncodingPlanRequest, RefusesWhatCannotBeEncoded) {
    const auto refused = [&](auto change, const char* why) {
        PlanRequest saved = request;
        change(request);
        error.clear();
        EXPECT_FALSE(buildPlan(request, settings, plan, error)) << why;
        EXPECT_FALSE(error.empty()) << why;
        request = saved;
    };
    refused([](PlanRequest& r) { r.video->complexity = "extreme"; }, "complexity");
    refused([](PlanRequest& r) { r.videoMode = "fast"; }, "video mode");
    refused([](PlanRequest& r) { r.audioMode = "speech"; }, "audio mode");
    refused([](PlanRequest& r) { r.startTime = 40; }, "start after the end");
    refused(
        [](PlanRequest& r) {
            r.startTime = 10;
            r.endTime = 5;
        },
        "end before start");
}

TEST_F(EncodingPlanRequest, AnEndBeyondTheSourceMeasuresProgressToTheSourcesEnd) {
    request.startTime = 20;
    request.endTime = 100;
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    EXPECT_DOUBLE_EQ(plan.duration, 10.0);
}

TEST_F(EncodingPlanRequest, FieldsAreWovenAndTagsKeptWithTheArtistAsAuthor) {
    request.source.interlaced = true;
    request.source.tags = {{"title", "Ogg Title"}, {"artist", "Ogg Artist"}, {"album", "A"}};
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    EXPECT_TRUE(containsRun(plan.arguments,
                            {"-vf", "yadif=deint=interlaced,fps=15,scale=320:240,setsar=1,format=yuv420p"}));
    EXPECT_TRUE(containsRun(plan.arguments,
                            {"-metadata", "title=Ogg Title", "-metadata", "author=Ogg Artist", "-f", "rm"}));
    // A file's own author wins over its artist.
    request.source.tags["author"] = "Writer";
    ASSERT_TRUE(buildPlan(request, settings, plan, error)) << error;
    EXPECT_TRUE(containsRun(plan.arguments, {"-metadata", "author=Writer", "-f", "rm"}));
}

} // namespace
} // namespace morvane::producer
