#include "engine/preset_health.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::engine {
namespace {

constexpr const char* kEncoderListing = "Encoders:\n"
                                        " V..... = Video\n"
                                        " A..... = Audio\n"
                                        " ------\n"
                                        " V....D libx264              libx264 H.264 (codec h264)\n"
                                        " V....D mpeg4                MPEG-4 part 2\n"
                                        " A....D aac                  AAC (Advanced Audio Coding)\n"
                                        " A....D libmp3lame           libmp3lame MP3 (codec mp3)\n";
constexpr const char* kMuxerListing = "File formats:\n"
                                      " D. = Demuxing supported\n"
                                      " .E = Muxing supported\n"
                                      " --\n"
                                      "  E avi             AVI (Audio Video Interleaved)\n"
                                      "  E mp4             MP4 (MPEG-4 Part 14)\n"
                                      "  E asf             ASF (Advanced / Active Streaming Format)\n";

using Names = std::set<std::string, std::less<>>;

TEST(PresetHealth, ReadsTheNamesAfterTheLegends) {
    EXPECT_EQ(parseEncoderList(kEncoderListing), (Names{"aac", "libmp3lame", "libx264", "mpeg4"}));
    EXPECT_EQ(parseMuxerList(kMuxerListing), (Names{"asf", "avi", "mp4"}));
    EXPECT_TRUE(parseEncoderList("no legend at all\n V....D libx264 x\n").empty());
    const FfmpegAbilities abilities{"ffmpeg version 9", {"aac", "libx264"}, {"mp4"}};
    const auto back = abilitiesFromCacheText(abilitiesCacheText(abilities));
    EXPECT_EQ(back.version, abilities.version);
    EXPECT_EQ(back.encoders, abilities.encoders);
    EXPECT_EQ(back.muxers, abilities.muxers);
}

profiles::Profile profileOf(const std::string& format, const std::string& vcodec, const std::string& acodec,
                            const std::string& main = "MediaType=MP4\nExtName=mp4\nQALevel=5\n") {
    test::TempDir dir;
    std::string text = "[Main]\nName=P\nFormat=" + format + "\n" + main + "[Parameter]\n";
    text += vcodec.empty() ? "" : "vcodec=,," + vcodec + "\n";
    text += acodec.empty() ? "" : "acodec=,," + acodec + "\n";
    test::writeFile(dir.file("p.pf"), text);
    profiles::Profile profile;
    profiles::parseProfileFile(dir.file("p.pf"), "P", profile);
    return profile;
}

TEST(PresetHealth, NamesTheFirstMissingContainerOrEncoder) {
    const FfmpegAbilities abilities{"v", parseEncoderList(kEncoderListing), parseMuxerList(kMuxerListing)};
    struct Case {
        const char* format;
        const char* vcodec;
        const char* acodec;
        const char* main;
        const char* missing;
    };
    const char* mp4 = "MediaType=MP4\nExtName=mp4\nQALevel=5\n";
    const Case cases[] = {
        {"mp4", "h264", "aac", mp4, ""},
        {"MP4", "H264", "mp3", mp4, ""},
        // Format is the Target text only: the recipe's container counts, whatever short name it holds.
        {"mpg", "h264", "aac", mp4, ""},
        {"wmv", "", "", "MediaType=WMV\nExtName=wmv\n", ""}, // .wmv files are written by the asf muxer
        {"mov", "h264", "aac", "MediaType=MOV\nExtName=mov\nQALevel=2\n",
         "FFmpeg on this system cannot write the mov container"},
        {"mpg", "pal-dvd", "ac3", "MediaType=MPEG\nExtName=mpg\n",
         "FFmpeg on this system cannot write the dvd container"},
        {"mp4", "h264", "aac", "MediaType=PSP\nExtName=mp4\nQALevel=1\n",
         "FFmpeg on this system cannot write the psp container"},
        {"aac", "", "aac", "MediaType=AAC\nExtName=aac\n",
         "FFmpeg on this system cannot write the adts container"},
        // The general path: the extension decides, and one this check does not know is the converter's.
        {"mkv", "h264", "aac", "ExtName=mkv\n", "FFmpeg on this system cannot write the matroska container"},
        {"avi", "mpeg4", "mp3", "ExtName=avi\n", ""},
        {"whatever", "mpeg4", "mp3", "ExtName=xyz\n", ""},
        {"avi", "xvid", "mp3", mp4, "FFmpeg on this system has no encoder libxvid (Xvid MPEG-4)"},
        {"avi", "mpeg4", "ac3", mp4, "FFmpeg on this system has no encoder ac3 (AC-3)"},
        {"mp4", "pal-dvd", "aac", mp4, "FFmpeg on this system has no encoder mpeg2video (MPEG-2 video)"},
        {"mp4", "something new", "aac", mp4, ""}, // the converter judges values this check does not know
        {"rm", "56k Dial-up", "", "MediaType=RM\nExtName=rm\n",
         "FFmpeg on this system cannot write the rm container"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.vcodec + " " + c.acodec + " " + c.main);
        EXPECT_EQ(missingPiece(profileOf(c.format, c.vcodec, c.acodec, c.main), abilities), c.missing);
    }
    FfmpegAbilities withRm = abilities;
    withRm.muxers.insert("rm");
    EXPECT_EQ(missingPiece(profileOf("rm", "56k Dial-up", "xvid", "MediaType=RM\n"), withRm), "")
        << "the producer's own choice";
}

// A fake ffmpeg that prints the listings above, counts how often it was started and asked for them,
// and takes its version line from a file the test changes.
class FakeFfmpeg {
public:
    FakeFfmpeg() {
        test::writeFile(m_dir.file("encoders.txt"), kEncoderListing);
        test::writeFile(m_dir.file("muxers.txt"), kMuxerListing);
        setVersion("ffmpeg version 1");
        install();
    }
    // Puts a new program file in place, as an upgrade does.
    void install() {
        ::unlink(program().c_str());
        test::writeFile(program(), "#!/bin/sh\n"
                                   "cd \"$(dirname \"$0\")\"\n"
                                   "echo x >> started.txt\n"
                                   "case \"$2\" in\n"
                                   "-version) cat version.txt ;;\n"
                                   "-encoders) echo x >> asked.txt; cat encoders.txt ;;\n"
                                   "-muxers) cat muxers.txt ;;\n"
                                   "*) exit 1 ;;\n"
                                   "esac\n");
        ::chmod(program().c_str(), 0755);
    }
    std::string program() const { return m_dir.file("ffmpeg"); }
    std::string cache() const { return m_dir.file("state/ffmpeg-abilities.txt"); }
    void setVersion(const std::string& line) {
        test::writeFile(m_dir.file("version.txt"), line + "\nmore\n");
    }
    std::size_t timesAsked() const { return timesIn("asked.txt"); }
    std::size_t timesStarted() const { return timesIn("started.txt"); }

private:
    std::size_t timesIn(const std::string& name) const {
        return test::fileExists(m_dir.file(name)) ? test::readFile(m_dir.file(name)).size() / 2 : 0;
    }
    test::TempDir m_dir;
};

TEST(PresetHealth, AsksFfmpegOnceAndAgainOnlyWhenItsProgramOrVersionChanges) {
    FakeFfmpeg ffmpeg;
    auto first = askFfmpegAbilities(ffmpeg.program(), ffmpeg.cache());
    ASSERT_TRUE(first) << first.error();
    EXPECT_EQ(first->version, "ffmpeg version 1");
    EXPECT_EQ(first->encoders, parseEncoderList(kEncoderListing));
    EXPECT_EQ(first->muxers, parseMuxerList(kMuxerListing));
    EXPECT_EQ(ffmpeg.timesAsked(), 1U);

    const std::size_t started = ffmpeg.timesStarted();
    ASSERT_TRUE(askFfmpegAbilities(ffmpeg.program(), ffmpeg.cache()));
    EXPECT_EQ(ffmpeg.timesStarted(), started) << "the same program file is not even started";

    ffmpeg.install(); // a new program file of the same version: only its version is asked
    ASSERT_TRUE(askFfmpegAbilities(ffmpeg.program(), ffmpeg.cache()));
    EXPECT_EQ(ffmpeg.timesStarted(), started + 1);
    EXPECT_EQ(ffmpeg.timesAsked(), 1U) << "the cache answers for the same version";

    ffmpeg.setVersion("ffmpeg version 2");
    ffmpeg.install();
    const auto second = askFfmpegAbilities(ffmpeg.program(), ffmpeg.cache());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->version, "ffmpeg version 2");
    EXPECT_EQ(ffmpeg.timesAsked(), 2U);

    test::TempDir nowhere;
    const auto missing = askFfmpegAbilities(nowhere.file("ffmpeg"), ffmpeg.cache());
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find(nowhere.file("ffmpeg")), std::string::npos) << missing.error();
}

} // namespace
} // namespace morvane::engine
