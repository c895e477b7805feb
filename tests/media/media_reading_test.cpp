// One reading of a file serves the window's detector facts, the converter's stream choices and the
// producer's source facts; each must be what its own reader gave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/media_detector.h"
#include "media/media_plugin.h"
#include "producer/source_probe.h"
#include "tests/support/test_support.h"

namespace morvane::media {
namespace {

using test::TempDir;

bool makeMedia(std::vector<std::string> arguments, const std::string& output) {
    std::vector<std::string> argv{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(output);
    return test::runProgram(argv) == 0 && test::fileExists(output);
}

const std::string kPicture = "testsrc=size=320x240:rate=25:duration=1";
const std::string kSmallPicture = "testsrc=size=160x120:rate=10:duration=2";
const std::string kSound = "sine=sample_rate=22050:duration=1";

TEST(MediaReading, EveryUserGetsWhatItsOwnReaderGave) {
    const TempDir dir;
    struct Case {
        std::string name;
        std::vector<std::string> arguments;
        int width, height;    // the detector's: the last picture
        int firstWidth;       // the producer's: the first picture, which is encoded
        double length;        // the detector's: the longer of the last picture and the last sound
        double firstLength;   // the producer's: the longer of the first picture and the first sound
        MediaStreams streams; // the converter's
        std::string title;    // the producer's tags
    };
    const std::vector<Case> cases = {
        {"av.avi",
         {"-f", "lavfi", "-i", kPicture, "-f", "lavfi", "-i", kSound},
         320,
         240,
         320,
         1.0,
         1.0,
         {0, 1, false, 0},
         ""},
        {"sound.ogg",
         {"-f", "lavfi", "-i", kSound, "-c:a", "libvorbis", "-metadata", "title=Song"},
         0,
         0,
         0,
         1.0,
         1.0,
         {-1, 0, false, 1},
         "Song"},
        {"tagged.mkv",
         {"-f", "lavfi", "-i", kPicture, "-metadata:s:v:0", "title=Clip", "-c:v", "mpeg4"},
         320,
         240,
         320,
         1.0,
         1.0,
         {0, -1, false, 2},
         "Clip"},
        // Two pictures: the window reports the last, the producer encodes the first; Matroska states
        // each stream's length only in its tags, which both read.
        {"two.mkv",
         {"-f", "lavfi", "-i", kPicture, "-f", "lavfi", "-i", kSmallPicture, "-map", "0", "-map", "1", "-c:v",
          "mpeg4"},
         160,
         120,
         320,
         2.0,
         1.0,
         {0, -1, false, 0},
         ""},
        {"fields.mpg",
         {"-f", "lavfi", "-i", kPicture, "-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-top", "1"},
         320,
         240,
         320,
         1.0,
         1.0,
         {0, -1, true, 0},
         ""},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(makeMedia(c.arguments, path)) << c.name;

        MediaFacts facts;
        ASSERT_EQ(detectMediaFactsWithPlugin(path, facts), kDetectOk) << c.name;
        EXPECT_EQ(facts.width, c.width) << c.name;
        EXPECT_EQ(facts.height, c.height) << c.name;
        EXPECT_NEAR(facts.duration, c.length, 0.15) << c.name;

        MediaStreams streams;
        ASSERT_EQ(readMediaStreamsWithPlugin(path, streams), kDetectOk) << c.name;
        EXPECT_TRUE(streams == c.streams)
            << c.name << ": " << streams.videoStream << " " << streams.audioStream << " "
            << streams.interlaced << " " << streams.tagsOnStream;

        const auto source = producer::probeSource(path);
        ASSERT_TRUE(source) << c.name << ": " << source.error();
        EXPECT_EQ(source->width, c.firstWidth) << c.name;
        EXPECT_EQ(source->videoStream, c.streams.videoStream) << c.name;
        EXPECT_EQ(source->audioStream, c.streams.audioStream) << c.name;
        EXPECT_EQ(source->interlaced, c.streams.interlaced) << c.name;
        EXPECT_NEAR(source->duration, c.firstLength, 0.15) << c.name;
        EXPECT_EQ(source->tags.count("title") != 0 ? source->tags.at("title") : "", c.title) << c.name;
        if (source->hasVideo) {
            EXPECT_NEAR(source->frameRate, 25.0, 0.01) << c.name;
        }
    }
}

// Why a file could not be read comes back through the plugin in words.
TEST(MediaReading, FailuresAreDescribed) {
    const TempDir dir;
    test::writeFile(dir.file("notes.avi"), "This is a plain text file, not a video.\n");
    test::writeFile(dir.file("list.txt"), "ffconcat version 1.0\nfile 'notes.avi'\n");
    MediaStreams streams;
    const int status = readMediaStreamsWithPlugin(dir.file("notes.avi"), streams);
    EXPECT_NE(status, kDetectOk);
    EXPECT_NE(detectStatusText(status), "");
    EXPECT_EQ(streams.videoStream, -1);
    EXPECT_EQ(readMediaStreamsWithPlugin(dir.file("list.txt"), streams), kDetectListOfFiles);
    EXPECT_NE(detectStatusText(kDetectListOfFiles).find("list of other files"), std::string::npos);
    EXPECT_EQ(detectStatusText(kDetectOk), "");
    EXPECT_EQ(detectStatusText(kDetectFailed), "");
}

} // namespace
} // namespace morvane::media
