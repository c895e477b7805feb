// Every shipped profile, built into a command line by the engine exactly as a batch run does, converted by
// `vec` with the real ffmpeg; and vec's progress read back by the engine's own parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/command_builder.h"
#include "engine/conversion_job.h"
#include "engine/progress.h"
#include "platform/command_line.h"
#include "platform/process.h"
#include "profiles/media_type_table.h"
#include "profiles/profile.h"
#include "tests/converter/av_offset.h"
#include "tests/support/test_support.h"

namespace morvane::converter {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const std::string kVec = MORVANE_VEC_PROGRAM;

std::string programDirectory() {
    return fs::path(kVec).parent_path().string() + "/";
}

struct CommandRun {
    int exitCode = -1;
    std::string output;
};

CommandRun runCommand(const std::vector<std::string>& argv, const std::string& folder) {
    platform::SpawnOptions options;
    options.workingDirectory = folder;
    auto child = platform::ChildProcess::spawn(argv, options);
    CommandRun run;
    if (!child.valid()) {
        return run;
    }
    char buffer[4096];
    for (ssize_t n = 0; (n = child.readStdout(buffer, sizeof buffer)) > 0;) {
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    const auto status = child.wait();
    run.exitCode = status.kind == platform::ExitStatus::Kind::Exited ? status.code : 128 + status.code;
    return run;
}

std::map<std::string, std::map<std::string, std::string>> probe(const std::string& path) {
    std::string text;
    test::runProgram(
        {"ffprobe", "-v", "error", "-count_packets", "-show_entries",
         "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_packets,sample_rate,channels:format="
         "format_name,"
         "duration",
         "-of", "compact", path},
        &text);
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::map<std::string, std::string> fields;
        std::istringstream parts(line);
        std::string section;
        std::getline(parts, section, '|');
        for (std::string field; std::getline(parts, field, '|');) {
            const auto equals = field.find('=');
            if (equals != std::string::npos) {
                fields[field.substr(0, equals)] = field.substr(equals + 1);
            }
        }
        const std::string key = section == "stream" ? fields["codec_type"] : section;
        if (sections.count(key) == 0) {
            sections[key] = fields;
        }
    }
    return sections;
}

double durationOf(std::map<std::string, std::map<std::string, std::string>>& facts) {
    const auto& duration = facts["format"]["duration"];
    if (!duration.empty() && duration != "N/A") {
        return std::atof(duration.c_str());
    }
    // SWF states no length: count the frames.
    int num = 0;
    int den = 1;
    std::sscanf(facts["video"]["r_frame_rate"].c_str(), "%d/%d", &num, &den);
    return num > 0 ? std::atof(facts["video"]["nb_read_packets"].c_str()) * den / num : 0.0;
}

// What ffprobe calls the codecs and containers the profiles name.
const std::map<std::string, std::string> kVideoCodecs = {{"xvid", "mpeg4"},
                                                         {"mpeg4", "mpeg4"},
                                                         {"msmpeg4", "msmpeg4v3"},
                                                         {"msmpeg4v2", "msmpeg4v2"},
                                                         {"h264", "h264"},
                                                         {"h263", "h263"},
                                                         {"mpeg1video", "mpeg1video"},
                                                         {"mpeg2video", "mpeg2video"},
                                                         {"pal-dvd", "mpeg2video"},
                                                         {"ntsc-dvd", "mpeg2video"},
                                                         {"pal-svcd", "mpeg2video"},
                                                         {"ntsc-svcd", "mpeg2video"},
                                                         {"pal-vcd", "mpeg1video"},
                                                         {"ntsc-vcd", "mpeg1video"},
                                                         {"wmv1", "wmv1"},
                                                         {"wmv2", "wmv2"},
                                                         {"flv", "flv1"},
                                                         {"swf", "flv1"},
                                                         {"vp8", "vp8"},
                                                         {"libvpx", "vp8"},
                                                         {"libx264", "h264"},
                                                         {"libxvid", "mpeg4"},
                                                         {"libx265", "hevc"}};
const std::map<std::string, std::string> kAudioCodecs = {
    {"mp3", "mp3"},        {"aac", "aac"},          {"mp2", "mp2"},     {"ac3", "ac3"},
    {"wmav2", "wmav2"},    {"vorbis", "vorbis"},    {"amr_nb", "aac"},  {"amr_wb", "aac"},
    {"libmp3lame", "mp3"}, {"libvorbis", "vorbis"}, {"libopus", "opus"}};
const std::map<std::string, std::string> kContainers = {{"avi", "avi"},
                                                        {"mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                        {"mov", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                        {"3gp", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                        {"3g2", "mov,mp4,m4a,3gp,3g2,mj2"},
                                                        {"mpg", "mpeg"},
                                                        {"wmv", "asf"},
                                                        {"asf", "asf"},
                                                        {"wma", "asf"},
                                                        {"flv", "flv"},
                                                        {"swf", "swf"},
                                                        {"mkv", "matroska,webm"},
                                                        {"webm", "matroska,webm"},
                                                        {"mp3", "mp3"},
                                                        {"aac", "aac"}};

std::string paramValue(const profiles::Profile& profile, const char* name) {
    const auto* param = profile.findParam(name);
    return param != nullptr ? std::string(param->value) : std::string();
}

struct Source {
    std::string path;
    bool video = false;
    bool audio = false;
    double seconds = 0.0;
};

// Builds the profile's command for the source as a batch run does and runs it in `folder`.
CommandRun convert(const profiles::Profile& profile, const Source& source, const std::string& folder,
                   std::string& outputPath) {
    engine::ConversionJob job{};
    job.sourcePath = source.path;
    job.hasVideo = source.video ? 1 : 0;
    job.hasAudio = source.audio ? 1 : 0;
    job.duration = source.seconds + 1;
    engine::resetJobSettings(job);
    if (const auto code = profiles::MediaTypeTable::find(profile.MediaType)) {
        job.targetCode = *code;
        if (profiles::MediaTypeTable::isAudioOnly(*code)) {
            job.hasVideo = 0;
        }
    }
    job.outputPath = folder + "/" + fs::path(source.path).stem().string();
    job.profile = const_cast<profiles::Profile*>(&profile);
    engine::applyProfileOptions(&profile, &job);
    std::string commandLine;
    const std::string directory = programDirectory();
    const engine::CommandContext context{directory, 0};
    if (engine::buildConversionCommand(context, &job, &commandLine) != 1) {
        CommandRun refused;
        refused.output = "the engine built no command line";
        return refused;
    }
    outputPath = job.outputPath.str();
    return runCommand(platform::splitCommandLine(commandLine), folder);
}

std::vector<std::string> shippedProfiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(MORVANE_SHIPPED_PROFILES, error)) {
        if (entry.path().extension() == ".pf") {
            files.push_back(entry.path().filename().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// One clip per test process: 640x480 video with audio, audio alone and a still picture.
const Source& clip(const std::string& kind) {
    static TempDir media;
    static std::map<std::string, Source> made;
    if (made.count(kind) == 0) {
        Source source;
        source.path = media.file(kind == "still"   ? "picture.png"
                                 : kind == "audio" ? "sound.wav"
                                                   : "movie.avi");
        EXPECT_TRUE(test::generateClip(source.path, kind, 2.0, 640, 480));
        source.video = kind != "audio";
        source.audio = kind != "still";
        auto facts = probe(source.path);
        source.seconds = kind == "still" ? 0.0 : std::atof(facts["format"]["duration"].c_str());
        made[kind] = source;
    }
    return made[kind];
}

class ShippedProfile : public testing::TestWithParam<std::string> {};

TEST_P(ShippedProfile, ConvertsAsPromised) {
    profiles::Profile profile;
    profiles::parseProfileFile(std::string(MORVANE_SHIPPED_PROFILES) + "/" + GetParam(), GetParam(), profile);
    if (profile.isRealMedia()) {
        GTEST_SKIP() << "RealMedia profiles are encoded by the producer library, not by vec";
    }
    const auto code = profile.targetCode().value_or(profiles::kTargetGeneral);
    const bool audioTarget = profiles::MediaTypeTable::isAudioOnly(code);
    std::string videoCodec = paramValue(profile, "vcodec");
    std::string audioCodec = paramValue(profile, "acodec");
    if (code == profiles::kTargetWma) {
        audioCodec = "wmav2";
    } else if (code == profiles::kTargetMp3) {
        audioCodec = "mp3";
    } else if (code == profiles::kTargetAac) {
        audioCodec = "aac";
    }
    ASSERT_TRUE(audioTarget || kVideoCodecs.count(videoCodec) != 0) << "unknown video codec " << videoCodec;
    ASSERT_TRUE(kAudioCodecs.count(audioCodec) != 0) << "unknown audio codec " << audioCodec;
    ASSERT_TRUE(kContainers.count(profile.ExtName) != 0) << "unknown extension " << profile.ExtName;

    const bool firstOfFamily = GetParam().find("-1-") != std::string::npos;
    std::vector<std::string> kinds = {"av"};
    if (audioTarget || (firstOfFamily && (code == profiles::kTargetAvi || code == profiles::kTargetPsp))) {
        kinds.push_back("audio");
    }
    if (!audioTarget && firstOfFamily) {
        kinds.push_back("still"); // the first profile of each family also takes a picture
    }
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind);
        const Source& source = clip(kind);
        TempDir out;
        std::string outputPath;
        const CommandRun run = convert(profile, source, out.path(), outputPath);
        if (run.exitCode == -1 && run.output == "the engine built no command line") {
            GTEST_SKIP() << "the engine's command builder does not build this profile's command yet";
        }
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const std::string file = outputPath.front() == '/' ? outputPath : out.path() + "/" + outputPath;
        ASSERT_TRUE(test::fileExists(file)) << file << "\n" << run.output;
        auto facts = probe(file);
        EXPECT_EQ(facts["format"]["format_name"], kContainers.at(profile.ExtName));
        // A PSP file always has both streams: what the source lacks is filled in.
        const bool videoOut = !audioTarget && (source.video || code == profiles::kTargetPsp);
        if (videoOut) {
            EXPECT_EQ(facts["video"]["codec_name"], kVideoCodecs.at(videoCodec));
            const std::string size = paramValue(profile, "s");
            if (size.find('x') != std::string::npos) {
                EXPECT_EQ(facts["video"]["width"] + "x" + facts["video"]["height"], size);
            } else {
                EXPECT_EQ(facts["video"]["width"] + "x" + facts["video"]["height"], "640x480");
            }
        } else {
            EXPECT_EQ(facts.count("video"), 0U);
        }
        if (source.audio || code == profiles::kTargetPsp) {
            EXPECT_EQ(facts["audio"]["codec_name"], kAudioCodecs.at(audioCodec));
        }
        if (source.seconds > 0.0) {
            EXPECT_NEAR(durationOf(facts), source.seconds, source.seconds * 0.1);
        }
        EXPECT_NE(run.output.find("ffmpeg command: "), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedProfile, testing::ValuesIn(shippedProfiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; },
                                 '_');
                             return name;
                         });

// The encoders FFmpeg alone would use for what a converted file holds.
const std::map<std::string, std::string> kPlainEncoders = {{"mpeg4", "mpeg4"},
                                                           {"h264", "libx264"},
                                                           {"h263", "h263"},
                                                           {"msmpeg4v3", "msmpeg4"},
                                                           {"msmpeg4v2", "msmpeg4v2"},
                                                           {"mpeg1video", "mpeg1video"},
                                                           {"mpeg2video", "mpeg2video"},
                                                           {"wmv1", "wmv1"},
                                                           {"wmv2", "wmv2"},
                                                           {"flv1", "flv"},
                                                           {"vp8", "libvpx"},
                                                           {"mp3", "libmp3lame"},
                                                           {"aac", "aac"},
                                                           {"mp2", "mp2"},
                                                           {"ac3", "ac3"},
                                                           {"wmav2", "wmav2"},
                                                           {"vorbis", "libvorbis"},
                                                           {"amr_nb", "libopencore_amrnb"}};

// A plain FFmpeg command writing the same container, codecs, picture size and sound format as `converted`,
// pictures at the source's rate.
std::vector<std::string> plainCommand(const std::string& source, const std::string& converted,
                                      std::map<std::string, std::map<std::string, std::string>>& facts,
                                      const std::string& output) {
    auto& video = facts["video"];
    auto& audio = facts["audio"];
    return {"ffmpeg",
            "-nostdin",
            "-loglevel",
            "error",
            "-y",
            "-i",
            source,
            "-c:v",
            kPlainEncoders.at(video["codec_name"]),
            "-s",
            video["width"] + "x" + video["height"],
            "-c:a",
            kPlainEncoders.at(audio["codec_name"]),
            "-ar",
            audio["sample_rate"],
            "-ac",
            audio["channels"],
            "-strict",
            "-2",
            output + fs::path(converted).extension().string()};
}

// One profile of each family, and each disc target: pictures and sound stay in step as FFmpeg alone keeps
// them (or closer).
class ShippedProfileSync : public testing::TestWithParam<std::string> {};

TEST_P(ShippedProfileSync, KeepsPicturesAndSoundInStepAsFFmpegAlone) {
    static const TempDir media;
    static const std::string source = media.file("sync.avi");
    if (!test::fileExists(source)) {
        ASSERT_TRUE(test::makeSyncClip(source, {"-c:v", "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le"}));
    }
    profiles::Profile profile;
    const std::string file = GetParam() + ".pf";
    profiles::parseProfileFile(std::string(MORVANE_SHIPPED_PROFILES) + "/" + file, file, profile);
    TempDir out;
    std::string outputPath;
    const CommandRun run = convert(profile, Source{source, true, true, 4.0}, out.path(), outputPath);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string converted = outputPath.front() == '/' ? outputPath : out.path() + "/" + outputPath;
    auto facts = probe(converted);
    const auto plain = plainCommand(source, converted, facts, out.file("plain"));
    ASSERT_EQ(test::runProgram(plain), 0) << platform::joinCommandLine(plain);

    const auto ours = test::measureLags(source, converted).offset();
    const auto theirs = test::measureLags(source, plain.back()).offset();
    ASSERT_TRUE(ours.has_value());
    ASSERT_TRUE(theirs.has_value());
    std::printf("%s: pictures behind the sound by %+.0f ms; FFmpeg alone %+.0f ms\n", GetParam().c_str(),
                *ours * 1000.0, *theirs * 1000.0);
    EXPECT_TRUE(std::abs(*ours - *theirs) <= 0.045 || std::abs(*ours) <= std::abs(*theirs))
        << *ours << " against " << *theirs << "\n"
        << run.output;
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedProfileSync,
                         testing::Values("10-avi-1-xvid-mp3", "10-avi-4-h264-mp3", "20-mp4-1-h264-aac",
                                         "21-mp4player-1-avi-320x240", "22-mobile-1-3gp-h263-176x144",
                                         "22-mobile-4-3g2-h263-176x144", "30-mov-1-xvid-mp3",
                                         "40-mpeg-1-mpeg1", "40-mpeg-3-dvd-pal", "40-mpeg-5-svcd-pal",
                                         "40-mpeg-8-vcd-ntsc", "50-wmv-1-wmv2", "60-flash-1-flv-320x240",
                                         "60-flash-3-swf-320x240", "65-general-1-mkv-h264-aac",
                                         "65-general-2-webm-vp8-vorbis", "70-ipod-4-h264-320x240",
                                         "80-psp-1-h264-320x240"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(VecProgress, TheEngineReadsRisingPercentages) {
    TempDir dir;
    for (const bool video : {true, false}) {
        SCOPED_TRACE(video ? "video" : "audio");
        // Long enough for several updates: sound encodes many times faster than pictures.
        const double seconds = video ? 8.0 : 90.0;
        const auto source = dir.file(video ? "clip.avi" : "clip.wav");
        ASSERT_TRUE(test::generateClip(source, video ? "av" : "audio", seconds, 160, 120));
        const double progressDuration = seconds + 1.0;
        // Frequent updates for the test; vec passes options it does not know on to ffmpeg.
        std::vector<std::string> argv{kVec, "ffmpeg-converter", "-i", source, "-stats_period", "0.05"};
        if (video) {
            argv.insert(argv.end(),
                        {"-vcodec", "libx264", "-acodec", "libmp3lame", "-y", dir.file("out.avi")});
        } else {
            argv.insert(argv.end(), {"-vn", "-acodec", "libmp3lame", "-y", dir.file("out.mp3")});
        }
        const CommandRun run = runCommand(argv, dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.output;
        std::vector<int> percents;
        std::istringstream in(run.output);
        for (std::string line; std::getline(in, line);) {
            if (const auto seconds = engine::parseProgressSeconds(line.c_str(), video)) {
                percents.push_back(engine::progressStep(*seconds, progressDuration).percent);
            }
            // The other form never parses: progress goes by the form that fits the job.
            EXPECT_FALSE(engine::parseProgressSeconds(line.c_str(), !video).has_value()) << line;
        }
        ASSERT_GE(percents.size(), 3U) << run.output;
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        EXPECT_GT(percents.back(), percents.front());
        EXPECT_GE(percents.back(), 80); // the whole clip less the added second
    }
}

} // namespace
} // namespace morvane::converter
