#include "engine/command_builder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/command_pieces.h"
#include "engine/engine_log.h"
#include "engine/ffmpeg_encoder.h"
#include "engine/output_path.h"
#include "engine/quillon_media_cntl.h"
#include "engine/target_recipes.h"
#include "platform/command_line.h"
#include "profiles/media_type_table.h"
#include "profiles/profile.h"
#include "tests/engine/engine_test_env.h"

namespace morvane::engine {
namespace {

using morvane::test::TempDir;
using test::EventRecorder;
using test::FakeProgramDir;

constexpr const char* kProgramDir = "/opt/morvane/";
constexpr const char* kSource = "/media/in/clip.wmv";
constexpr const char* kOutputBase = "/media/out/clip";
constexpr const char* kScript = "/opt/morvane/input.avs";

// Parses a profile written from `text` (a .pf file) in a temporary folder.
profiles::Profile profileFrom(const std::string& text) {
    TempDir dir;
    morvane::test::writeFile(dir.file("test.pf"), text);
    profiles::Profile profile;
    profiles::parseProfileFile(dir.file("test.pf"), "test", profile);
    return profile;
}

// A typed job as the batch driver leaves it before the command is built.
ConversionJob typedJob(std::int32_t code, std::int32_t variant, const char* videoCodec,
                       const char* audioCodec) {
    ConversionJob job;
    job.sourcePath = kSource;
    job.sourceWidth = 640;
    job.sourceHeight = 480;
    job.duration = 61.0;
    resetJobSettings(job);
    job.targetCode = code;
    job.variant = variant;
    job.videoCodec = videoCodec;
    job.audioCodec = audioCodec;
    job.width = 320;
    job.height = 240;
    job.channels = 2;
    job.hasVideo = profiles::MediaTypeTable::isAudioOnly(code) ? 0 : 1;
    job.hasAudio = 1;
    job.outputPath = kOutputBase;
    job.scriptPath = kScript;
    return job;
}

struct Built {
    std::int32_t result = 0;
    std::string command;
};

Built build(ConversionJob& job, std::int32_t forceFrameServer = 0,
            const std::string& programDir = kProgramDir) {
    Built built;
    built.command = "left over from an earlier job";
    const CommandContext context{programDir, forceFrameServer};
    built.result = buildConversionCommand(context, &job, &built.command);
    return built;
}

// The head and the three argument groups of a typed job made by typedJob with both streams.
const std::string kTypedHead =
    R"("/opt/morvane/vec" ffmpeg-converter  -vsync 24 -async 24 -i "/media/in/clip.wmv")";
const std::string kVideoGroup = R"( -b 1200k -s 320x240 -r 25.00 -scodec copy  -title "" )";
const std::string kAudioGroup = " -ab 64.00k  -ac 2 -ar 44100.00";
const std::string kGeneralGroup = " -vol 256";

TEST(CommandBuilder, OneCompleteTypedCommand) {
    ConversionJob job = typedJob(profiles::kTargetAvi, 0, "xvid", "mp3");
    const Built built = build(job);
    ASSERT_EQ(built.result, 1);
    EXPECT_EQ(
        built.command,
        R"("/opt/morvane/vec" ffmpeg-converter  -vsync 24 -async 24 -i "/media/in/clip.wmv")"
        R"( -b 1200k -s 320x240 -r 25.00 -scodec copy  -title ""  -ab 64.00k  -ac 2 -ar 44100.00)"
        R"( -vol 256 -vcodec  libxvid  -vtag xvid  -acodec  libmp3lame  -y "/media/out/clip_xvid_mp3.avi")");
    EXPECT_EQ(job.outputPath.view(), "/media/out/clip_xvid_mp3.avi");
}

struct RecipeCase {
    std::int32_t code;
    std::int32_t variant;
    const char* videoCodec;
    const char* audioCodec;
    std::string recipe; // what follows the general group, before " -y "
    const char* output;
};

TEST(CommandBuilder, EveryRecipeAndVariant) {
    const std::string ipodCodecs = " -vcodec  libx264  -acodec  libfaac ";
    const std::string pspCodecs = " -vcodec  libx264  -acodec  libfaac  -f psp  -bufsize 10M ";
    const std::vector<RecipeCase> cases = {
        // AVI
        {1, 0, "xvid", "mp3", " -vcodec  libxvid  -vtag xvid  -acodec  libmp3lame ", "clip_xvid_mp3.avi"},
        {1, 1, "mpeg4", "mp3", " -vcodec  mpeg4 -vtag divx  -acodec  libmp3lame ", "clip_mpeg4_mp3.avi"},
        {1, 2, "msmpeg4", "mp3", " -vcodec msmpeg4 -vtag MP43  -acodec  libmp3lame ", "clip_msmpeg4_mp3.avi"},
        {1, 3, "h264", "mp3", " -vcodec  libx264  -acodec  libmp3lame ", "clip_h264_mp3.avi"},
        {1, -1, "mpeg4", "ac3", " -vcodec mpeg4 -acodec ac3", "clip_mpeg4_ac3.avi"},
        {1, 3, "H264", "MP3", " -vcodec H264 -acodec MP3", "clip_H264_MP3.avi"}, // codecs compare exactly
        // MPEG
        {2, 0, "mpeg1video", "mp2", " -vcodec mpeg1video -acodec mp2 -mbd 2 -qmin 2 ",
         "clip_mpeg1video_mp2.mpg"},
        {2, 0, "mpeg2video", "mp2", " -vcodec mpeg2video -acodec mp2 -mbd 2 -qmin 2 ",
         "clip_mpeg2video_mp2.mpg"},
        {2, 0, "pal-dvd", "ac3", " -target pal-dvd -acodec ac3 -mbd 2 -qmin 2 ", "clip_pal-dvd_ac3.mpg"},
        // WMV
        {3, 0, "wmv2", "wmav2", " -vcodec wmv2 -acodec wmav2", "clip_wmv2_wmav2.wmv"},
        {3, 0, "wmv1", "wmav2", " -vcodec wmv1 -acodec wmav2", "clip_wmv1_wmav2.wmv"},
        {3, 0, "msmpeg4v2", "wmav2", " -vcodec msmpeg4v2 -acodec wmav2", "clip_msmpeg4v2_wmav2.asf"},
        // MOV
        {4, 0, "xvid", "mp3", " -vcodec  libxvid  -acodec  libmp3lame ", "clip_xvid_mp3.mov"},
        {4, 1, "mpeg4", "aac", " -vcodec  mpeg4  -acodec  libfaac ", "clip_mpeg4_aac.mov"},
        {4, 2, "h264", "pcm_s16le", " -vcodec h264 -acodec pcm_s16le", "clip_h264_pcm_s16le.mov"},
        // FLV
        {5, 0, "flv", "mp3", " -f flv -acodec  libmp3lame ", "clip_flv_mp3.swf"},
        {5, 1, "flv", "mp3", " -vcodec flv -acodec  libmp3lame ", "clip_flv_mp3.flv"},
        {5, 1, "flv", "adpcm_swf", " -vcodec flv -acodec adpcm_swf", "clip_flv_adpcm_swf.flv"},
        // iPod: every variant, the tuning texts checked one by one below
        {7, -1, "h264", "aac", ipodCodecs, "clip_h264_aac.mp4"},
        {7, 0, "h264", "aac", ipodCodecs + " -qmin 10 -qmax 31 -maxrate 768k -bufsize 10M ",
         "clip_h264_aac.mp4"},
        {7, 3, "mpeg4", "aac",
         " -vcodec mpeg4 -acodec  libfaac  -qmin 2 -qmax 31 -maxrate 768k -bufsize 10M ",
         "clip_mpeg4_aac.mp4"},
        {7, 11, "h264", "mp3",
         " -vcodec  libx264  -acodec mp3 -flags +aic+mv4+trell -mbd 2 -cmp 2 -subcmp 2 -g 250 -qmin 10 -qmax "
         "51",
         "clip_h264_mp3.mp4"},
        {7, 12, "h264", "aac", ipodCodecs + " -qmin 10 -qmax 31 -maxrate 768k -bufsize 10M ",
         "clip_h264_aac.mov"},
        {7, 13, "h264", "aac", ipodCodecs, "clip_h264_aac.mp4"},
        // PSP
        {8, 0, "h264", "aac", pspCodecs, "clip_h264_aac.mp4"},
        {8, 1, "h264", "aac", pspCodecs + " -maxrate 1500k -coder 1 -coder 1 -g 250 ", "clip_h264_aac.mp4"},
        {8, 4, "xvid", "aac",
         " -vcodec  libxvid  -acodec  libfaac  -f psp  -bufsize 10M  -qscale 4 -bitexact ",
         "clip_xvid_aac.mp4"},
        {8, 7, "mpeg4", "mp3",
         " -vcodec mpeg4 -acodec mp3 -f psp  -bufsize 10M  -maxrate 1500k -coder 1 -coder 1 -g 250 -qscale "
         "25 -bitexact ",
         "clip_mpeg4_mp3.mp4"},
        // MP4: every variant
        {9, 0, "h263", "amr_nb", " -vcodec h263 -acodec  libamr_nb  -f 3gp ", "clip_h263_amr_nb.3gp"},
        {9, 1, "mpeg4", "aac", " -vcodec mpeg4 -acodec  libfaac  -f 3g2 ", "clip_mpeg4_aac.3g2"},
        {9, 2, "xvid", "mp3", " -vcodec  libxvid  -acodec  libmp3lame ", "clip_xvid_mp3.avi"},
        {9, 3, "mpeg4", "mp3", " -vcodec mpeg4 -acodec  libmp3lame ", "clip_mpeg4_mp3.avi"},
        {9, 4, "wmv2", "wmav2", " -vcodec wmv2 -acodec wmav2", "clip_wmv2_wmav2.wmv"},
        {9, 5, "h264", "aac", " -vcodec  libx264  -acodec  libfaac ", "clip_h264_aac.mp4"},
        {9, 6, "h264", "aac", " -vcodec  libx264  -acodec  libfaac ", "clip_h264_aac.mp4"},
        {9, 7, "mpeg1video", "mp2", " -vcodec mpeg1video -acodec mp2", "clip_mpeg1video_mp2.mpg"},
        {9, 8, "mpeg4", "amr_wb", " -vcodec mpeg4 -acodec amr_wb", "clip_mpeg4_amr_wb.mov"},
        {9, -1, "h264", "aac", " -vcodec  libx264  -acodec  libfaac ", "clip_h264_aac.mp4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " variant " << c.variant << " "
                                        << c.videoCodec << "/" << c.audioCodec);
        ConversionJob job = typedJob(c.code, c.variant, c.videoCodec, c.audioCodec);
        const Built built = build(job);
        ASSERT_EQ(built.result, 1);
        const std::string output = std::string("/media/out/") + c.output;
        EXPECT_EQ(built.command, kTypedHead + kVideoGroup + kAudioGroup + kGeneralGroup + c.recipe +
                                     " -y \"" + output + "\"");
        EXPECT_EQ(job.outputPath.view(), output);
    }
}

TEST(CommandBuilder, AudioTargetsWriteNoVideoArgumentsAndNoUnderscores) {
    const struct {
        std::int32_t code;
        const char* recipe;
        const char* output;
    } cases[] = {
        {10, " -vn -acodec wmav2 ", "/media/out/clip.wma"},
        {11, " -vn -acodec libmp3lame ", "/media/out/clip.mp3"},
        {13, " -vn -acodec libfaac ", "/media/out/clip.aac"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ConversionJob job = typedJob(c.code, 0, "xvid", "mp3");
        const Built built = build(job);
        ASSERT_EQ(built.result, 1);
        EXPECT_EQ(built.command,
                  kTypedHead + kAudioGroup + kGeneralGroup + c.recipe + " -y \"" + c.output + "\"");
        EXPECT_EQ(job.outputPath.view(), c.output);
    }
}

TEST(CommandBuilder, TuningTexts) {
    const std::string ipodLow = " -qmin 10 -qmax 31 -maxrate 768k -bufsize 10M ";
    const std::string ipodMid = " -qmin 2 -qmax 31 -maxrate 768k -bufsize 10M ";
    const std::string ipodHigh = " -qmin 10 -qmax 51 -maxrate 768k -bufsize 10M ";
    const std::vector<std::string> ipod = {
        "", // -1
        ipodLow,
        ipodLow,
        ipodMid,
        ipodMid,
        ipodHigh,
        ipodHigh,
        ipodHigh,
        ipodHigh,
        " -coder 0 -g 250 -vlevel 13 -qmin 10 -qmax 51 -maxrate 768k -bufsize 10M ",
        ipodHigh,
        " -flags +loop -cmp +chroma -partitions +parti4x4+partp4x4+partp8x8+partb8x8 -me umh -subq 7 "
        "-trellis 2 "
        "-refs 1 -coder 0 -me_range 16 -g 300 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -maxrate 10M "
        "-bufsize 10M -rc_eq \"blurCplx^(1-qComp)\" -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 30 ",
        " -flags +aic+mv4+trell -mbd 2 -cmp 2 -subcmp 2 -g 250 -qmin 10 -qmax 51",
        ipodLow,
        "", // 13
    };
    for (std::int32_t variant = -1; variant <= 13; ++variant) {
        EXPECT_EQ(ipodTuning(variant), ipod[static_cast<std::size_t>(variant + 1)])
            << "iPod variant " << variant;
    }
    const std::vector<std::string> psp = {
        "", // -1
        "", // 0
        " -maxrate 1500k -coder 1 -coder 1 -g 250 ",
        " -flags +loop -cmp +chroma -partitions +parti4x4+partp8x8+partb8x8 -flags2 +mixed_refs+brdo -me umh "
        "-subq 7 -trellis 2 -bidir_refine 1 -refs 2 -bf 1 -b_strategy 1 -coder 1 -me_range 16 -g 300 "
        "-keyint_min "
        "25 -sc_threshold 40 -i_qfactor 0.71 -bt 48k -maxrate 768k -bufsize 10M -rc_eq "
        "\"blurCplx^(1-qComp)\" "
        "-qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 21 ",
        "", // 3
        " -qscale 4 -bitexact ",
        " -qscale 7 -bitexact ",
        " -qscale 10 -bitexact ",
        " -maxrate 1500k -coder 1 -coder 1 -g 250 -qscale 25 -bitexact ",
        "", // 8
    };
    for (std::int32_t variant = -1; variant <= 8; ++variant) {
        EXPECT_EQ(pspTuning(variant), psp[static_cast<std::size_t>(variant + 1)])
            << "PSP variant " << variant;
    }
}

TEST(CommandBuilder, TargetsWithoutARecipeBuildNothing) {
    const struct {
        std::int32_t code;
        std::int32_t variant;
    } cases[] = {{6, 0}, {12, 0}, {14, 0}, {-1, 0}, {5, 2}, {5, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << "/" << c.variant);
        ConversionJob job = typedJob(c.code, c.variant, "flv", "mp3");
        const Built built = build(job);
        EXPECT_EQ(built.result, 0);
        EXPECT_EQ(built.command, "");
        EXPECT_EQ(job.outputPath.view(), kOutputBase);
    }
    std::string command;
    EXPECT_EQ(buildConversionCommand(CommandContext{kProgramDir, 0}, nullptr, &command), 0);
    ConversionJob job = typedJob(1, 0, "xvid", "mp3");
    EXPECT_EQ(buildConversionCommand(CommandContext{kProgramDir, 0}, &job, nullptr), 0);
}

TEST(CommandBuilder, ArgumentGroupsFollowTheJob) {
    // Video only, with aspect, title, cut range.
    ConversionJob job = typedJob(profiles::kTargetWmv, 0, "wmv2", "wmav2");
    job.hasAudio = 0;
    job.aspect = "16:9";
    job.title = "Holiday";
    job.videoBitrate = 800;
    job.frameRate = 29.97;
    job.startTime = "00:00:10";
    job.endTime = "00:01:00";
    Built built = build(job);
    ASSERT_EQ(built.result, 1);
    EXPECT_EQ(
        built.command,
        kTypedHead +
            R"( -b 800k -s 320x240 -r 29.97 -aspect 16:9 -scodec copy  -title "Holiday"  -vol 256 -ss 00:00:10 -t 50)"
            R"( -vcodec wmv2 -acodec wmav2 -y "/media/out/clip_wmv2_wmav2.wmv")");

    // Audio texts in their fixed order, each only when set; odd rates keep two decimals.
    job = typedJob(profiles::kTargetMp3, 0, "", "mp3");
    job.author = "Ann";
    job.comment = "take 2";
    job.copyright = "(c) Ann";
    job.album = "Live";
    job.audioBitrate = 127.999;
    job.sampleRate = 22050;
    job.volume = 512;
    job.endTime = "00:00:30";
    built = build(job);
    ASSERT_EQ(built.result, 1);
    EXPECT_EQ(built.command,
              kTypedHead +
                  R"( -ab 128.00k  -ac 2 -ar 22050.00 -author "Ann" -album "Live" -copyright "(c) Ann")"
                  R"( -comment "take 2" -vol 512 -t 30 -vn -acodec libmp3lame  -y "/media/out/clip.mp3")");

    // Neither stream: the general group alone.
    job = typedJob(profiles::kTargetAvi, 0, "xvid", "mp3");
    job.hasVideo = 0;
    job.hasAudio = 0;
    built = build(job);
    ASSERT_EQ(built.result, 1);
    EXPECT_EQ(built.command,
              kTypedHead + kGeneralGroup +
                  R"( -vcodec  libxvid  -vtag xvid  -acodec  libmp3lame  -y "/media/out/clip_xvid_mp3.avi")");
}

// Switches LC_NUMERIC to a locale with a decimal comma for the object's life: an installed one, or
// one compiled into a temporary folder.
class DecimalCommaLocale {
public:
    DecimalCommaLocale() : m_previous(std::setlocale(LC_NUMERIC, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr) {
                return;
            }
        }
        const std::string compiled = m_dir.file("de_DE.UTF-8");
        morvane::test::runProgram({"localedef", "-i", "de_DE", "-f", "UTF-8", compiled});
        if (const char* old = std::getenv("LOCPATH")) {
            m_oldLocPath = old;
        }
        ::setenv("LOCPATH", m_dir.path().c_str(), 1);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~DecimalCommaLocale() {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        if (m_oldLocPath) {
            ::setenv("LOCPATH", m_oldLocPath->c_str(), 1);
        } else {
            ::unsetenv("LOCPATH");
        }
    }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    bool active() const {
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", 1.5);
        return std::string(text) == "1,50";
    }

private:
    std::string m_previous;
    TempDir m_dir;
    std::optional<std::string> m_oldLocPath;
};

TEST(CommandBuilder, NumbersIgnoreTheProgramLocale) {
    const DecimalCommaLocale locale;
    if (!locale.active()) {
        GTEST_SKIP() << "no locale with a decimal comma can be used here";
    }
    ConversionJob job = typedJob(profiles::kTargetAvi, 0, "xvid", "mp3");
    job.frameRate = 29.97;
    job.audioBitrate = 96.5;
    const Built built = build(job);
    EXPECT_NE(built.command.find(" -r 29.97 "), std::string::npos) << built.command;
    EXPECT_NE(built.command.find(" -ab 96.50k "), std::string::npos) << built.command;
    EXPECT_NE(built.command.find(" -ar 44100.00"), std::string::npos) << built.command;
}

TEST(CommandBuilder, CutLength) {
    const struct {
        const char* start;
        const char* end;
        long long seconds;
    } cases[] = {
        {"00:00:10", "00:01:00", 50},
        {"", "00:01:00", 60},
        {"01:00:00", "02:30:15", 5415},
        {"00:59:59", "01:00:00", 1},
        {"00:05", "00:06", 60},
        {"abc", "00:00:07", 7},
        {"00:00:00", "", 0},
        {"120:00:00", "121:00:00", 3600},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cutLengthSeconds(c.start, c.end), c.seconds) << c.start << " .. " << c.end;
    }
}

const char* const kFullProfile = R"([Main]
Name=Test AVI
SName=AVI
Format=avi
ExtName=avi
MediaType=AVI
QALevel=2

[Parameter]
title=,,Summer
author=,,Ann
copyright=,,(c) Ann
comment=,,auto
album=,,Live
vcodec=,,msmpeg4
s=,,qvga
b=,,900kbit
r=,,23.976
aspect=,,Auto
acodec=,,mp3
ab=,,96
ar=,,22050
ac=,,2 (Stereo)
vol=,,300
vn=,,False
)";

TEST(ApplyProfileOptions, FillsTheJobFromTheProfile) {
    const profiles::Profile profile = profileFrom(kFullProfile);
    ConversionJob job;
    job.sourceWidth = 720;
    job.sourceHeight = 576;
    resetJobSettings(job);
    ASSERT_TRUE(applyProfileOptions(&profile, &job));
    EXPECT_EQ(job.variant, 2);
    EXPECT_EQ(job.title.view(), "Summer");
    EXPECT_EQ(job.author.view(), "Ann");
    EXPECT_EQ(job.copyright.view(), "(c) Ann");
    EXPECT_EQ(job.comment.view(), ""); // "Auto" in any case means: leave it
    EXPECT_EQ(job.album.view(), "Live");
    EXPECT_EQ(job.videoCodec.view(), "msmpeg4");
    EXPECT_EQ(job.width, 720); // a size without "x" takes the source's
    EXPECT_EQ(job.height, 576);
    EXPECT_EQ(job.videoBitrate, 900);
    EXPECT_DOUBLE_EQ(job.frameRate, 23.976);
    EXPECT_EQ(job.aspect.view(), "");
    EXPECT_EQ(job.audioCodec.view(), "mp3");
    EXPECT_DOUBLE_EQ(job.audioBitrate, 96.0);
    EXPECT_DOUBLE_EQ(job.sampleRate, 22050.0);
    EXPECT_EQ(job.channels, 2);
    EXPECT_EQ(job.volume, 300);

    // With the AVI recipe of variant 2 the codec stands as the profile names it.
    job.targetCode = profiles::kTargetAvi;
    job.hasVideo = 1;
    job.hasAudio = 1;
    job.sourcePath = kSource;
    job.outputPath = kOutputBase;
    const Built built = build(job);
    ASSERT_EQ(built.result, 1);
    EXPECT_EQ(
        built.command,
        kTypedHead +
            R"( -b 900k -s 720x576 -r 23.98 -scodec copy  -title "Summer"  -ab 96.00k  -ac 2 -ar 22050.00)"
            R"( -author "Ann" -album "Live" -copyright "(c) Ann" -vol 300 -vcodec msmpeg4 -vtag MP43 )"
            R"( -acodec  libmp3lame  -y "/media/out/clip_msmpeg4_mp3.avi")");
}

TEST(ApplyProfileOptions, DefaultsStayWhereTheProfileSaysNothing) {
    const profiles::Profile profile = profileFrom(R"([Main]
Name=Bare
MediaType=MP3
[Parameter]
b=,,
s=,,640x
ac=,,Stereo
r=,,AUTO
)");
    ConversionJob job;
    resetJobSettings(job);
    ASSERT_TRUE(applyProfileOptions(&profile, &job));
    EXPECT_EQ(job.variant, -1); // no QALevel
    EXPECT_EQ(job.videoBitrate, kDefaultVideoBitrate);
    EXPECT_DOUBLE_EQ(job.frameRate, kDefaultFrameRate);
    EXPECT_EQ(job.width, 640);
    EXPECT_EQ(job.height, 0);
    EXPECT_EQ(job.channels, 0); // a first character that is no digit
    EXPECT_FALSE(applyProfileOptions(nullptr, &job));
    EXPECT_FALSE(applyProfileOptions(&profile, nullptr));
}

TEST(ApplyProfileOptions, LongTextsAreCutToTheirField) {
    profiles::Profile profile = profileFrom("[Main]\nName=Long\n[Parameter]\ntitle=,,t\nauthor=,,a\n");
    // Values as long as the parameter panel lets them grow; a cut never splits a character.
    profile.findParam("title")->value = std::string(2000, 't');
    profile.findParam("author")->value = std::string(254, 'a') + "\xC3\xA9";
    ConversionJob job;
    resetJobSettings(job);
    ASSERT_TRUE(applyProfileOptions(&profile, &job));
    EXPECT_EQ(job.title.size(), kJobNameCapacity - 1);
    EXPECT_EQ(job.author.view(), std::string(254, 'a'));
}

const char* const kGeneralProfile = R"([Main]
Name=General MKV
SName=MKV
Format=matroska
ExtName=mkv
MediaType=
[Parameter]
vcodec=,,h264,(h264)
acodec=,,aac,(aac)
b=,,1200
ab=,,128
ac=,,2 (Stereo)
ar=,,Auto
aspect=,,auto
s=,,640x480
r=,,
deinterlace=,,True
sameq=,,False
qscale=,,4
t=,,Full
ss=,,00:00:00
title=,,My Film
)";

ConversionJob generalJob(profiles::Profile& profile) {
    ConversionJob job;
    job.sourcePath = kSource;
    resetJobSettings(job);
    job.targetCode = profiles::kTargetGeneral;
    job.profile = &profile;
    job.hasVideo = 1;
    job.hasAudio = 1;
    job.outputPath = kOutputBase;
    job.scriptPath = kScript;
    applyProfileOptions(&profile, &job);
    return job;
}

TEST(GeneralPath, CopiesEveryOptionOfTheProfile) {
    profiles::Profile profile = profileFrom(kGeneralProfile);
    profile.findParam("title")->value = "My \"Film\""; // as edited in the parameter panel
    ConversionJob job = generalJob(profile);
    job.startTime = "00:00:10";
    job.endTime = "00:01:00";
    const Built built = build(job, 1);
    ASSERT_EQ(built.result, 1);
    EXPECT_EQ(
        built.command,
        R"("/opt/morvane/vec" ffmpeg-converter -i "/media/in/clip.wmv" -ss 00:00:10 -t 50 -deinterlace  )"
        R"(-qscale 4 -title "My \"Film\"" -vcodec libx264 -s 640x480 -b 1200k )"
        R"(-acodec libfaac -ab 128k -ac 2  -async 24 -vsync 24  -y "/media/out/clip_h264_aac.mkv")");
    EXPECT_EQ(job.outputPath.view(), "/media/out/clip_h264_aac.mkv");
    // The splitter gives the converter the title with its quotes.
    const auto arguments = platform::splitCommandLine(built.command);
    EXPECT_NE(std::find(arguments.begin(), arguments.end(), "My \"Film\""), arguments.end());
}

TEST(GeneralPath, NeutralAndCaseRules) {
    profiles::Profile profile = profileFrom(R"([Main]
Name=General
ExtName=mp4
[Parameter]
vcodec=,,XVID
acodec=,,Vorbis
t=,,00:00:20
ss=,,00:00:05
an=,,false
vn=,,TRUE
f=,,mp4
)");
    ConversionJob job = generalJob(profile);
    job.startTime = "00:00:01";
    const Built built = build(job);
    ASSERT_EQ(built.result, 1);
    // f (id 0) first, then ss, t, vcodec, vn, acodec; the profile's own ss and t come in addition.
    EXPECT_EQ(
        built.command,
        R"("/opt/morvane/vec" ffmpeg-converter -i "/media/in/clip.wmv" -ss 00:00:01 -f mp4 -ss 00:00:05 )"
        R"(-t 00:00:20 -vcodec libxvid -vn  -acodec libvorbis  -async 24 -vsync 24 )"
        R"( -y "/media/out/clip_XVID_Vorbis.mp4")");

    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{{"amr_nb", "libamr_nb"},
                                                                                   {"AMR_WB", "libamr_wb"},
                                                                                   {"mp3", "libmp3lame"},
                                                                                   {"a52", "liba52"},
                                                                                   {"aad", "libfaad"},
                                                                                   {"aac", "libfaac"},
                                                                                   {"h264", "libx264"},
                                                                                   {"mpeg4", "mpeg4"}}) {
        EXPECT_EQ(generalCodecName(from), to);
    }
}

TEST(GeneralPath, NeedsTheProfileForTheExtension) {
    profiles::Profile profile = profileFrom(kGeneralProfile);
    ConversionJob job = generalJob(profile);
    job.profile = nullptr;
    EXPECT_EQ(build(job).result, 0);
}

TEST(FrameServerRoute, TypedAndGeneralJobs) {
    TempDir dir;
    const std::string script = dir.file("input.avs");
    profiles::Profile profile = profileFrom(kGeneralProfile);
    const std::string mkv = dir.file("clip.mkv");
    const std::string wmv = dir.file("clip.wmv");
    const struct {
        std::int32_t code;
        std::string source;
        std::int32_t useFrameServer;
        std::int32_t force;
        bool script;
    } cases[] = {
        {1, mkv, 1, 1, true},  {1, mkv, 1, 0, false}, {1, mkv, 0, 1, false},
        {1, wmv, 1, 1, false}, {0, mkv, 1, 0, true},  {0, mkv, 0, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " " << c.source << " " << c.useFrameServer << c.force);
        std::filesystem::remove(script);
        ConversionJob job = c.code == 0 ? generalJob(profile) : typedJob(c.code, 0, "xvid", "mp3");
        job.sourcePath = c.source;
        job.scriptPath = script;
        job.useFrameServer = c.useFrameServer;
        job.outputPath = dir.file("out");
        const Built built = build(job, c.force);
        ASSERT_EQ(built.result, 1);
        const std::string input = " -i \"" + (c.script ? script : c.source) + "\"";
        EXPECT_NE(built.command.find(input), std::string::npos) << built.command;
        EXPECT_EQ(morvane::test::fileExists(script), c.script);
        if (c.script) {
            EXPECT_EQ(morvane::test::readFile(script),
                      "LoadPlugin(\"plugin/DirectShowSource.dll\")\nDirectShowSource(\"" + mkv +
                          "\")\nreturn last");
        }
        EXPECT_EQ(job.useFrameServer, c.useFrameServer); // the probe's finding stays for later runs
    }
}

TEST(FrameServerRoute, UnwritableScriptFallsBackToTheSource) {
    TempDir dir;
    EventRecorder events;
    FakeProgramDir programDir(false); // the trace file goes there
    ConversionJob job = typedJob(profiles::kTargetAvi, 0, "xvid", "mp3");
    job.sourcePath = dir.file("clip.mkv");
    job.scriptPath = dir.file("missing/input.avs");
    job.useFrameServer = 1;
    const Built built = build(job, 1);
    ASSERT_EQ(built.result, 1);
    EXPECT_NE(built.command.find(" -i \"" + job.sourcePath.str() + "\""), std::string::npos);
    const auto errors = events.messages(1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("missing/input.avs"), std::string::npos) << errors[0];
    EXPECT_NE(programDir.trace().find("missing/input.avs"), std::string::npos);
}

TEST(OutputGuard, TheSourceIsNeverTheOutput) {
    TempDir dir;
    const std::string source = dir.file("clip.mp3");
    morvane::test::writeFile(source, "the user's own file");
    std::filesystem::create_directory_symlink(dir.path(), dir.file("link"));
    const struct {
        std::string outputBase;
        std::string named;
    } cases[] = {
        {dir.file("clip"), dir.file("clip.mp3")},               // converting clip.mp3 into its own folder
        {dir.file("link/clip"), dir.file("link/clip.mp3")},     // the same folder through a link
        {dir.file("sub/../clip"), dir.file("sub/../clip.mp3")}, // the same folder spelt otherwise
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outputBase);
        EventRecorder events;
        FakeProgramDir programDir(false);
        ConversionJob job = typedJob(profiles::kTargetMp3, 0, "", "mp3");
        job.sourcePath = source;
        job.outputPath = c.outputBase;
        const Built built = build(job);
        EXPECT_EQ(built.result, 0);
        EXPECT_EQ(built.command, "");
        const auto errors = events.messages(1);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(c.named), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find(source), std::string::npos) << errors[0];
        EXPECT_NE(programDir.trace().find(c.named), std::string::npos);
    }
    // Another name in the same folder is fine.
    ConversionJob job = typedJob(profiles::kTargetWma, 0, "", "wmav2");
    job.sourcePath = source;
    job.outputPath = dir.file("clip");
    EXPECT_EQ(build(job).result, 1);
    EXPECT_EQ(morvane::test::readFile(source), "the user's own file");
}

// A codec or extension value holding a path separator would put the output outside the output folder:
// refused with a one-line reason, on the typed and the general path alike.
TEST(OutputGuard, ValuesThatLeadOutOfTheFolderAreRefused) {
    profiles::Profile escaping = profileFrom("[Main]\nName=test\nExtName=mp4/../../escaped\n[Parameter]\n");
    profiles::Profile plain = profileFrom("[Main]\nName=test\nExtName=mp4\n[Parameter]\n");
    struct Case {
        std::int32_t code;
        const char* videoCodec;
        profiles::Profile* profile;
        bool refused;
    };
    const Case cases[] = {
        {profiles::kTargetAvi, "x/../../escaped", nullptr, true},
        {profiles::kTargetAvi, "xvid", nullptr, false},
        {0, "h264", &escaping, true},
        {0, "x/../../escaped", &plain, true},
        {0, "h264", &plain, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.videoCodec);
        EventRecorder events;
        FakeProgramDir programDir(false);
        ConversionJob job = typedJob(c.code, 3, c.videoCodec, "mp3");
        job.profile = c.profile;
        const Built built = build(job);
        EXPECT_EQ(built.result, c.refused ? 0 : 1);
        if (c.refused) {
            EXPECT_EQ(job.outputPath.view(), kOutputBase);
            const auto errors = events.messages(1);
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_NE(errors[0].find("holds a path separator"), std::string::npos) << errors[0];
            EXPECT_EQ(errors[0].find('\n'), std::string::npos);
        } else {
            EXPECT_EQ(job.outputPath.view().substr(0, std::string_view(kOutputBase).size() + 1),
                      std::string(kOutputBase) + "_");
        }
    }
    EXPECT_FALSE(composeOutputPath("/out/", ".."));
    EXPECT_FALSE(composeOutputPath("/out/clip", std::string("_a\0/_b.mp4", 11)));
    EXPECT_EQ(composeOutputPath("/out/clip", "_a_b.mp4").value(), "/out/clip_a_b.mp4");
}

TEST(OutputGuard, NamesTooLongForTheJobAreRefused) {
    EventRecorder events;
    FakeProgramDir programDir(false);
    ConversionJob job = typedJob(profiles::kTargetAvi, 0, "xvid", "mp3");
    // Deep folders: every name fits the file system, the whole path not the job.
    std::string folder = "/media";
    while (folder.size() < 1024 - 13 - 100) {
        folder += "/" + std::string(99, 'd');
    }
    const std::string base = folder + "/" + std::string(1024 - 13 - folder.size(), 'n');
    job.outputPath = base;
    const Built built = build(job);
    EXPECT_EQ(built.result, 0);
    EXPECT_EQ(job.outputPath.view(), base);
    EXPECT_EQ(events.messages(1).size(), 1u);

    job.outputPath = base.substr(0, base.size() - 1); // exactly fills the field
    EXPECT_EQ(build(job).result, 1);
    EXPECT_EQ(job.outputPath.size(), 1024u);
}

TEST(CommandBuilder, AwkwardNamesReachTheConverterWhole) {
    ConversionJob job = typedJob(profiles::kTargetAvi, 0, "xvid", "mp3");
    job.sourcePath = R"(/media/in/my "best" clip.wmv)";
    job.outputPath = R"(/media/out dir\my "best" clip)";
    job.title = R"(say "hi" \)";
    job.author = "back\\slash\\";
    const Built built = build(job, 0, "/opt/my programs/");
    ASSERT_EQ(built.result, 1);
    const auto arguments = platform::splitCommandLine(built.command);
    ASSERT_GE(arguments.size(), 5u);
    EXPECT_EQ(arguments[0], "/opt/my programs/vec");
    EXPECT_EQ(arguments[1], "ffmpeg-converter");
    const auto after = [&](const std::string& option) {
        const auto it = std::find(arguments.begin(), arguments.end(), option);
        return it == arguments.end() || it + 1 == arguments.end() ? std::string("(none)") : *(it + 1);
    };
    EXPECT_EQ(after("-i"), R"(/media/in/my "best" clip.wmv)");
    EXPECT_EQ(after("-title"), R"(say "hi" \)");
    EXPECT_EQ(after("-author"), "back\\slash\\");
    EXPECT_EQ(after("-y"), R"(/media/out dir\my "best" clip_xvid_mp3.avi)");
    EXPECT_EQ(arguments.back(), R"(/media/out dir\my "best" clip_xvid_mp3.avi)");
}

TEST(PrepareCommand, LogsTheCommandFromItsInput) {
    EventRecorder events;
    CFfmpegEncoder encoder;
    test::ProgressLog log;
    const EncoderInitRecord record = test::makeInitRecord(log, kProgramDir);
    ASSERT_EQ(encoder.Initialize(&record), 1);
    // The encoder builds commands only for sources that are there.
    TempDir media;
    const std::string source = media.file("clip.wmv");
    morvane::test::writeFile(source, "media");
    ConversionJob job = typedJob(profiles::kTargetMp3, 0, "", "mp3");
    job.sourcePath = source;
    std::string head = kTypedHead;
    head.replace(head.find(kSource), std::string_view(kSource).size(), source);
    ASSERT_EQ(encoder.PrepareCommand(&job), 1);
    EXPECT_EQ(encoder.commandLine(),
              head + kAudioGroup + kGeneralGroup + R"( -vn -acodec libmp3lame  -y "/media/out/clip.mp3")");
    EXPECT_EQ(job.outputPath.view(), "/media/out/clip.mp3");
    EXPECT_EQ(encoder.job().outputPath.view(), "/media/out/clip.mp3");
    const auto commands = events.messages(kCommandEventId);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], "-i \"" + source +
                               "\" -ab 64.00k  -ac 2 -ar 44100.00 -vol 256"
                               R"( -vn -acodec libmp3lame  -y "/media/out/clip.mp3")");
}

// A whole run through the facade: the converter receives the arguments as built, in the output folder.
TEST(DoConvert, RunsTheBuiltCommand) {
    FakeProgramDir programDir;
    TempDir media;
    test::ProgressLog log;
    CQuillonMediaCntl facade;
    const EncoderInitRecord record = test::makeInitRecord(log, programDir.dir());
    ASSERT_EQ(facade.Init(&record), 1);
    programDir.script("out frame=1 fps=0 q=0 size=0kB time=5 bitrate=0 a b time=5\n");

    ConversionJob job = typedJob(profiles::kTargetAvi, 1, "mpeg4", "mp3");
    job.sourcePath = media.file("clip one.wmv");
    morvane::test::writeFile(job.sourcePath.str(), "media");
    job.outputPath = media.file("clip one");
    job.progressDuration = 10.0;
    ASSERT_EQ(facade.bDoConvert(&job), 1);
    EXPECT_EQ(job.outputPath.view(), media.file("clip one_mpeg4_mp3.avi"));
    EXPECT_EQ(programDir.workingDirectory(), media.path());
    EXPECT_EQ(programDir.args(),
              "ffmpeg-converter\n-vsync\n24\n-async\n24\n-i\n" + media.file("clip one.wmv") +
                  "\n-b\n1200k\n-s\n320x240\n-r\n25.00\n-scodec\ncopy\n-title\n\n-ab\n64.00k\n"
                  "-ac\n2\n-ar\n44100.00\n-vol\n256\n-vcodec\nmpeg4\n-vtag\ndivx\n-acodec\n"
                  "libmp3lame\n-y\n" +
                  media.file("clip one_mpeg4_mp3.avi") + "\n");
}

TEST(DoConvert, RefusesToReplaceTheSource) {
    FakeProgramDir programDir;
    TempDir media;
    EventRecorder events;
    test::ProgressLog log;
    CQuillonMediaCntl facade;
    const EncoderInitRecord record = test::makeInitRecord(log, programDir.dir());
    ASSERT_EQ(facade.Init(&record), 1);
    const std::string source = media.file("clip.mp3");
    morvane::test::writeFile(source, "ID3 the user's song");

    ConversionJob job = typedJob(profiles::kTargetMp3, 0, "", "mp3");
    job.sourcePath = source;
    job.outputPath = media.file("clip");
    EXPECT_EQ(facade.bDoConvert(&job), 0);
    EXPECT_FALSE(programDir.converterRan());
    EXPECT_EQ(morvane::test::readFile(source), "ID3 the user's song");
    const auto errors = events.messages(1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Module:COMMON\\CFfmpegEncoder,Line:655,The output file \"" + source +
                             "\" would replace the source file \"" + source + "\"; nothing was converted");
    EXPECT_NE(programDir.trace().find("would replace the source file"), std::string::npos);
    EXPECT_TRUE(events.messages(kCommandEventId).empty());
}

} // namespace
} // namespace morvane::engine
