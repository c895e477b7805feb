#include "converter/translator.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace morvane::converter {
namespace {

using Words = std::vector<std::string>;

Words concat(std::initializer_list<Words> parts) {
    Words all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

SourceFacts clipFacts() {
    SourceFacts facts;
    facts.known = true;
    facts.hasVideo = true;
    facts.hasAudio = true;
    facts.width = 640;
    facts.height = 480;
    facts.sampleRate = 48000;
    facts.channels = 2;
    return facts;
}

struct Result {
    Words arguments; // after the fixed preamble
    Words notes;
    std::string error;
};

// Translates the arguments that follow "ffmpeg-converter"; the output is written in place.
Result translate(const Words& old, const SourceFacts& facts = clipFacts()) {
    auto parsed = parseOldCommand(old);
    if (!parsed) {
        return {{}, {}, parsed.error()};
    }
    TranslationRequest request;
    request.command = *std::move(parsed);
    request.outputPath = request.command.output;
    request.writePath = request.command.output;
    request.source = facts;
    const auto translated = translateCommand(request);
    if (!translated) {
        return {{}, {}, translated.error()};
    }
    const Translation& translation = *translated;
    Result result;
    result.notes = translation.notes;
    const auto& preamble = ffmpegPreamble();
    if (translation.arguments.size() >= preamble.size()) {
        EXPECT_TRUE(std::equal(preamble.begin(), preamble.end(), translation.arguments.begin()));
        result.arguments.assign(translation.arguments.begin() + static_cast<std::ptrdiff_t>(preamble.size()),
                                translation.arguments.end());
    }
    return result;
}

bool mentions(const Words& notes, const std::string& text) {
    for (const auto& note : notes) {
        if (note.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The command the program writes for a target with a recipe: head, video, audio and general groups.
Words typedHead(const std::string& input = "/media/clip.avi") {
    return {"-vsync", "24",      "-async", "24",    "-i",      input,      "-b",     "1200k",
            "-s",     "320x240", "-r",     "25.00", "-scodec", "copy",     "-title", "",
            "-ab",    "64.00k",  "-ac",    "2",     "-ar",     "44100.00", "-vol",   "256"};
}

// What FFmpeg receives for that head.
Words typedHeadOut(const std::string& input = "/media/clip.avi") {
    return {"-i", "file:" + input, "-map", "0:V:0?", "-map", "0:a:0?", "-fps_mode", "cfr", "-b:v", "1200k",
            "-s", "320x240",       "-r",   "25.00",  "-b:a", "64.00k", "-ac",       "2",   "-ar",  "44100"};
}

const Words kAsync = {"-af", "aresample=async=1:first_pts=0"};
// Audio alone: the samples' times run on evenly, counted from the samples.
const Words kSampleTimes = {"-af", "asetpts=N/SR/TB"};
// The head's -r 25.00 also picks the frames, nearest in time.
const Words kRate = {"-vf", "fps=25.00"};
const Words kBaseline = {"-profile:v", "baseline", "-refs", "1", "-pix_fmt", "yuv420p"};
// Not for a device: High.
const Words kHigh = {"-profile:v", "high", "-pix_fmt", "yuv420p"};
// The iPod at 320x240: Baseline at level 1.3.
const Words kIpod = {"-profile:v", "baseline", "-refs", "1", "-level:v", "1.3", "-pix_fmt", "yuv420p"};

// The end of the arguments: AVI files with pictures keep each picture at its place in the file.
Words output(const std::string& path) {
    if (path.size() > 4 && path.substr(path.size() - 4) == ".avi") {
        return {"-avoid_negative_ts", "disabled", "-y", "file:" + path};
    }
    return {"-y", "file:" + path};
}

struct RecipeCase {
    const char* name;
    Words recipe; // the recipe's arguments, before "-y" and the output
    std::string out;
    Words expected;                // FFmpeg's arguments for the recipe, fixes included
    Words notes = {};              // texts some diagnostic line must contain
    const char* clamped = nullptr; // the maximum rate the head's 1200k is held to
};

TEST(Translator, EveryRecipeAndVariant) {
    const std::string ipodLow = "-qmin 10 -qmax 31 -maxrate 768k -bufsize 10M";
    const std::vector<RecipeCase> cases = {
        {"AVI xvid",
         {"-vcodec", "libxvid", "-vtag", "xvid", "-acodec", "libmp3lame"},
         "/out/c_xvid_mp3.avi",
         {"-c:v", "libxvid", "-tag:v", "xvid", "-c:a", "libmp3lame"}},
        {"AVI divx",
         {"-vcodec", "mpeg4", "-vtag", "divx", "-acodec", "libmp3lame"},
         "/out/c_mpeg4_mp3.avi",
         {"-c:v", "mpeg4", "-tag:v", "divx", "-c:a", "libmp3lame"}},
        {"AVI MP43",
         {"-vcodec", "msmpeg4", "-vtag", "MP43", "-acodec", "libmp3lame"},
         "/out/c_msmpeg4_mp3.avi",
         {"-c:v", "msmpeg4", "-tag:v", "MP43", "-c:a", "libmp3lame"}},
        {"AVI MP43 on the wrong codec",
         {"-vcodec", "wmv2", "-vtag", "MP43", "-acodec", "mp2"},
         "/out/c.avi",
         {"-c:v", "wmv2", "-c:a", "mp2"},
         {"dropped -vtag MP43"}},
        {"AVI h264",
         {"-vcodec", "libx264", "-acodec", "libmp3lame"},
         "/out/c_h264_mp3.avi",
         // No reordered pictures: AVI has no times to put them back in their place.
         {"-c:v", "libx264", "-c:a", "libmp3lame", "-profile:v", "high", "-bf", "0", "-pix_fmt", "yuv420p"}},
        {"AVI msmpeg4v1",
         {"-vcodec", "msmpeg4v1", "-vtag", "MP43", "-acodec", "libmp3lame"},
         "/out/c.avi",
         {"-c:v", "msmpeg4v2", "-c:a", "libmp3lame"},
         {"no msmpeg4v1 encoder", "dropped -vtag MP43"}},
        {"MPEG-1",
         {"-vcodec", "mpeg1video", "-acodec", "mp2", "-mbd", "2", "-qmin", "2"},
         "/out/c.mpg",
         {"-c:v", "mpeg1video", "-c:a", "mp2", "-mbd", "2", "-qmin", "2"}},
        {"MPEG-2 with AAC",
         {"-vcodec", "mpeg2video", "-acodec", "aac", "-mbd", "2", "-qmin", "2"},
         "/out/c.mpg",
         {"-c:v", "mpeg2video", "-c:a", "mp2", "-mbd", "2", "-qmin", "2"},
         {"cannot hold aac; using mp2"}},
        {"WMV",
         {"-vcodec", "wmv2", "-acodec", "wmav2"},
         "/out/c_wmv2_wmav2.wmv",
         {"-c:v", "wmv2", "-c:a", "wmav2"}},
        {"ASF",
         {"-vcodec", "msmpeg4v2", "-acodec", "wmav2"},
         "/out/c_msmpeg4v2_wmav2.asf",
         {"-c:v", "msmpeg4v2", "-c:a", "wmav2"}},
        {"MOV xvid",
         {"-vcodec", "libxvid", "-acodec", "libmp3lame"},
         "/out/c.mov",
         {"-c:v", "libxvid", "-c:a", "libmp3lame"}},
        {"MOV mpeg4 faac",
         {"-vcodec", "mpeg4", "-acodec", "libfaac"},
         "/out/c.mov",
         {"-c:v", "mpeg4", "-c:a", "aac"},
         {"no libfaac encoder; using aac"}},
        {"MOV h264",
         {"-vcodec", "h264", "-acodec", "libfaac"},
         "/out/c.mov",
         concat({{"-c:v", "libx264", "-c:a", "aac"}, kHigh})},
        {"SWF",
         {"-f", "swf", "-acodec", "libmp3lame"},
         "/out/c_swf_mp3.swf",
         {"-f", "swf", "-c:a", "libmp3lame"}},
        {"FLV",
         {"-vcodec", "flv", "-acodec", "libmp3lame"},
         "/out/c_flv_mp3.flv",
         {"-c:v", "flv", "-c:a", "libmp3lame"}},
        {"iPod 0 mpeg4",
         concat({{"-vcodec", "mpeg4", "-acodec", "libfaac"},
                 {"-qmin", "10", "-qmax", "31", "-maxrate", "768k", "-bufsize", "10M"}}),
         "/out/c.mp4",
         {"-c:v", "mpeg4", "-c:a", "aac", "-qmin", "10", "-qmax", "31", "-maxrate", "768k", "-bufsize",
          "768k"},
         {"-b 1200k is above the maximum rate 768k",
          "the iPod buffers 768kbit of this video; using 768k instead of -bufsize 10M"},
         "768k"},
        {"iPod 2 h264",
         {"-vcodec", "libx264", "-acodec", "libfaac", "-qmin", "2", "-qmax", "31", "-maxrate", "768k",
          "-bufsize", "10M"},
         "/out/c.mp4",
         concat({{"-c:v", "libx264", "-c:a", "aac", "-qmin", "2", "-qmax", "31", "-maxrate", "768k",
                  "-bufsize", "2000k"},
                 kIpod}),
         {"the iPod buffers 2000kbit of H.264; using 2000k instead of -bufsize 10M"},
         "768k"},
        {"iPod 8",
         {"-vcodec", "libx264", "-acodec", "libfaac", "-coder", "0", "-g", "250", "-vlevel", "13", "-qmin",
          "10", "-qmax", "51", "-maxrate", "768k", "-bufsize", "10M"},
         "/out/c.mp4",
         concat({{"-c:v", "libx264", "-c:a", "aac", "-coder", "0", "-g", "250", "-level:v", "13", "-qmin",
                  "10", "-qmax", "51", "-maxrate", "768k", "-bufsize", "2000k"},
                 kBaseline}),
         {},
         "768k"},
        {"iPod 10",
         {"-vcodec",
          "libx264",
          "-acodec",
          "libfaac",
          "-flags",
          "+loop",
          "-cmp",
          "+chroma",
          "-partitions",
          "+parti4x4+partp4x4+partp8x8+partb8x8",
          "-me",
          "umh",
          "-subq",
          "7",
          "-trellis",
          "2",
          "-refs",
          "1",
          "-coder",
          "0",
          "-me_range",
          "16",
          "-g",
          "300",
          "-keyint_min",
          "25",
          "-sc_threshold",
          "40",
          "-i_qfactor",
          "0.71",
          "-maxrate",
          "10M",
          "-bufsize",
          "10M",
          "-rc_eq",
          "blurCplx^(1-qComp)",
          "-qcomp",
          "0.6",
          "-qmin",
          "10",
          "-qmax",
          "51",
          "-qdiff",
          "4",
          "-level",
          "30"},
         "/out/c.mp4",
         {"-c:v",
          "libx264",
          "-c:a",
          "aac",
          "-cmp",
          "+chroma",
          "-partitions",
          "+parti4x4+partp4x4+partp8x8+partb8x8",
          "-me_method",
          "umh",
          "-subq",
          "7",
          "-trellis",
          "2",
          "-refs",
          "1",
          "-coder",
          "0",
          "-me_range",
          "16",
          "-g",
          "300",
          "-keyint_min",
          "25",
          "-sc_threshold",
          "40",
          "-i_qfactor",
          "0.71",
          "-maxrate",
          "768k",
          "-bufsize",
          "2000k",
          "-qcomp",
          "0.6",
          "-qmin",
          "10",
          "-qmax",
          "51",
          "-qdiff",
          "4",
          "-level:v",
          "30",
          "-profile:v",
          "baseline",
          "-pix_fmt",
          "yuv420p"},
         // Level 3.0 asked: the iPod classic's TV-out recipe, held to what the iPod plays at 320x240.
         {"flags flag loop", "dropped -rc_eq",
          "the iPod plays H.264 up to 768kbit/s; using 768k instead of -maxrate 10M"},
         "768k"},
        {"iPod 10 on mpeg4",
         {"-vcodec", "mpeg4", "-acodec", "libfaac", "-flags", "+loop", "-partitions", "+parti4x4", "-me",
          "umh", "-coder", "0", "-maxrate", "10M", "-bufsize", "10M", "-level", "30"},
         "/out/c.mp4",
         {"-c:v", "mpeg4", "-c:a", "aac", "-maxrate", "10M", "-bufsize", "10M"},
         {"dropped -partitions", "dropped -me umh", "dropped -coder 0", "dropped -level 30"}},
        {"iPod 11",
         {"-vcodec", "mpeg4", "-acodec", "libfaac", "-flags", "+aic+mv4+trell", "-mbd", "2", "-cmp", "2",
          "-subcmp", "2", "-g", "250", "-qmin", "10", "-qmax", "51"},
         "/out/c.mp4",
         // Advanced intra coding: the iPod's MPEG-4 tuning; the rate asked is its ceiling, a second of it the
         // buffer.
         {"-c:v",  "mpeg4", "-c:a",  "aac", "-trellis", "1",     "-flags:v", "+aic+mv4",
          "-mbd",  "2",     "-cmp",  "2",   "-subcmp",  "2",     "-g",       "250",
          "-qmin", "10",    "-qmax", "51",  "-maxrate", "1200k", "-bufsize", "1200k"}},
        {"iPod 12",
         concat({{"-vcodec", "libx264", "-acodec", "libfaac"},
                 {"-qmin", "10", "-qmax", "31", "-maxrate", "768k", "-bufsize", "10M"}}),
         "/out/c.mov",
         concat({{"-c:v", "libx264", "-c:a", "aac", "-qmin", "10", "-qmax", "31", "-maxrate", "768k",
                  "-bufsize", "2000k"},
                 kIpod}),
         {},
         "768k"},
        {"PSP 0 xvid",
         {"-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M"},
         "/out/c.mp4",
         {"-c:v", "libxvid", "-c:a", "aac", "-f", "psp", "-bufsize", "1200k", "-maxrate", "1200k"},
         {"the PSP buffers 1200kbit of this video; using 1200k instead of -bufsize 10M"}},
        {"PSP 0 mpeg4",
         {"-vcodec", "mpeg4", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M"},
         "/out/c.mp4",
         {"-c:v", "mpeg4", "-c:a", "aac", "-f", "psp", "-bufsize", "1200k", "-maxrate", "1200k"}},
        {"PSP 1",
         {"-vcodec", "libx264", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M", "-maxrate", "1500k",
          "-coder", "1", "-coder", "1", "-g", "250"},
         "/out/c.mp4",
         {"-c:v",     "libx264", "-c:a",   "aac", "-f",       "psp", "-bufsize",   "4000k",
          "-maxrate", "1500k",   "-coder", "1",   "-g",       "250", "-profile:v", "main",
          "-bf",      "0",       "-refs",  "1",   "-level:v", "2.1", "-pix_fmt",   "yuv420p"},
         {"the PSP buffers 4000kbit of H.264; using 4000k instead of -bufsize 10M"}},
        {"PSP 2",
         {"-vcodec",
          "libx264",
          "-acodec",
          "libfaac",
          "-f",
          "psp",
          "-bufsize",
          "10M",
          "-flags",
          "+loop",
          "-cmp",
          "+chroma",
          "-partitions",
          "+parti4x4+partp8x8+partb8x8",
          "-flags2",
          "+mixed_refs+brdo",
          "-me",
          "umh",
          "-subq",
          "7",
          "-trellis",
          "2",
          "-bidir_refine",
          "1",
          "-refs",
          "2",
          "-bf",
          "1",
          "-b_strategy",
          "1",
          "-coder",
          "1",
          "-me_range",
          "16",
          "-g",
          "300",
          "-keyint_min",
          "25",
          "-sc_threshold",
          "40",
          "-i_qfactor",
          "0.71",
          "-bt",
          "48k",
          "-maxrate",
          "768k",
          "-bufsize",
          "10M",
          "-rc_eq",
          "blurCplx^(1-qComp)",
          "-qcomp",
          "0.6",
          "-qmin",
          "10",
          "-qmax",
          "51",
          "-qdiff",
          "4",
          "-level",
          "21"},
         "/out/c.mp4",
         {"-c:v",
          "libx264",
          "-c:a",
          "aac",
          "-f",
          "psp",
          "-cmp",
          "+chroma",
          "-partitions",
          "+parti4x4+partp8x8+partb8x8",
          "-me_method",
          "umh",
          "-subq",
          "7",
          "-trellis",
          "2",
          "-refs",
          "2",
          "-bf",
          "1",
          "-b_strategy",
          "1",
          "-coder",
          "1",
          "-me_range",
          "16",
          "-g",
          "300",
          "-keyint_min",
          "25",
          "-sc_threshold",
          "40",
          "-i_qfactor",
          "0.71",
          "-x264-params",
          "ratetol=0.0625",
          "-maxrate",
          "768k",
          "-bufsize",
          "4000k",
          "-qcomp",
          "0.6",
          "-qmin",
          "10",
          "-qmax",
          "51",
          "-qdiff",
          "4",
          "-level:v",
          "21",
          "-profile:v",
          "main",
          "-pix_fmt",
          "yuv420p"},
         {"flags2 flag mixed_refs", "flags2 flag brdo", "dropped -bidir_refine"},
         "768k"},
        {"PSP 2 on mpeg4",
         {"-vcodec", "mpeg4", "-acodec", "libfaac", "-f", "psp", "-bf", "1", "-bt", "48k", "-maxrate", "768k",
          "-bufsize", "10M"},
         "/out/c.mp4",
         {"-c:v", "mpeg4", "-c:a", "aac", "-f", "psp", "-bt", "48k", "-maxrate", "768k", "-bufsize", "768k"},
         {"dropped -bf 1: B-frames make MPEG-4 Advanced Simple"},
         "768k"},
        {"PSP 4",
         {"-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M", "-qscale", "4",
          "-bitexact"},
         "/out/c.mp4",
         {"-c:v", "libxvid", "-c:a", "aac", "-f", "psp", "-bufsize", "10M", "-q:v", "4", "-bitexact"}},
        {"PSP 7",
         {"-vcodec", "libx264", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M", "-maxrate", "1500k",
          "-coder", "1", "-coder", "1", "-g", "250", "-qscale", "25", "-bitexact"},
         "/out/c.mp4",
         {"-c:v",  "libx264", "-c:a", "aac",      "-f",  "psp",       "-bufsize",   "4000k", "-maxrate",
          "1500k", "-coder",  "1",    "-g",       "250", "-bitexact", "-profile:v", "main",  "-bf",
          "0",     "-refs",   "1",    "-level:v", "2.1", "-pix_fmt",  "yuv420p"},
         {"dropped -qscale 25"}},
        {"MP4 0 3gp h263",
         {"-vcodec", "h263", "-acodec", "libamr_nb", "-f", "3gp"},
         "/out/c.3gp",
         {"-c:v", "mpeg4", "-c:a", "aac", "-f", "3gp", "-ar", "8000", "-ac", "1", "-b:a", "12.2k", "-maxrate",
          "384k", "-bufsize", "384k"},
         {"H.263 takes only", "no libamr_nb encoder; using aac at 8000 Hz mono"},
         "384k"},
        {"MP4 1 3g2 mp3",
         {"-vcodec", "mpeg4", "-acodec", "libmp3lame", "-f", "3g2"},
         "/out/c.3g2",
         {"-c:v", "mpeg4", "-c:a", "aac", "-f", "3g2", "-maxrate", "384k", "-bufsize", "384k"},
         {"cannot hold libmp3lame; using aac", "-b 1200k is above the maximum rate 384k"},
         "384k"},
        {"MP4 2 avi",
         {"-vcodec", "libxvid", "-acodec", "libmp3lame"},
         "/out/c.avi",
         {"-c:v", "libxvid", "-c:a", "libmp3lame"}},
        {"MP4 4 wmv amr",
         {"-vcodec", "wmv2", "-acodec", "libamr_wb"},
         "/out/c.wmv",
         {"-c:v", "wmv2", "-c:a", "aac", "-ar", "16000", "-ac", "1", "-b:a", "23.85k"}},
        {"MP4 7 mpg h263",
         {"-vcodec", "h263", "-acodec", "libfaac"},
         "/out/c.mpg",
         {"-c:v", "mpeg4", "-c:a", "mp2"},
         {"cannot hold h263; using mpeg4", "cannot hold aac; using mp2"}},
        {"MP4 6 mp4 h263",
         {"-vcodec", "h263", "-acodec", "libfaac"},
         "/out/c.mp4",
         {"-c:v", "mpeg4", "-c:a", "aac"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = translate(concat({typedHead(), c.recipe, {"-y", c.out}}));
        EXPECT_EQ(result.error, "");
        Words head = typedHeadOut();
        if (c.clamped != nullptr) {
            *std::find(head.begin(), head.end(), "1200k") = c.clamped;
        }
        EXPECT_EQ(result.arguments, concat({head, c.expected, kRate, kAsync, output(c.out)}));
        EXPECT_TRUE(mentions(result.notes, "dropped -scodec copy"));
        for (const auto& text : c.notes) {
            EXPECT_TRUE(mentions(result.notes, text)) << text;
        }
    }
}

TEST(Translator, RemainingVariants) {
    // Variants whose texts repeat one of the cases above, each with its own line.
    const Words x264 = {"-vcodec", "libx264", "-acodec", "libfaac"};
    const Words x264Out = {"-c:v", "libx264", "-c:a", "aac"};
    const auto tuning = [](const char* qmin, const char* qmax, const char* buffer = "10M") {
        return Words{"-qmin", qmin, "-qmax", qmax, "-maxrate", "768k", "-bufsize", buffer};
    };
    struct Case {
        const char* name;
        Words recipe;
        std::string out;
        Words expected;
    };
    const std::vector<Case> cases = {
        {"iPod 1", concat({x264, tuning("10", "31")}), "c.mp4",
         concat({x264Out, tuning("10", "31", "2000k"), kIpod})},
        {"iPod 3", concat({x264, tuning("2", "31")}), "c.mp4",
         concat({x264Out, tuning("2", "31", "2000k"), kIpod})},
        {"iPod 4", concat({x264, tuning("10", "51")}), "c.mp4",
         concat({x264Out, tuning("10", "51", "2000k"), kIpod})},
        {"iPod 5", concat({x264, tuning("10", "51")}), "c.mp4",
         concat({x264Out, tuning("10", "51", "2000k"), kIpod})},
        {"iPod 6", concat({x264, tuning("10", "51")}), "c.mp4",
         concat({x264Out, tuning("10", "51", "2000k"), kIpod})},
        {"iPod 7", concat({x264, tuning("10", "51")}), "c.mp4",
         concat({x264Out, tuning("10", "51", "2000k"), kIpod})},
        {"iPod 9", concat({x264, tuning("10", "51")}), "c.mp4",
         concat({x264Out, tuning("10", "51", "2000k"), kIpod})},
        {"PSP 3", concat({x264, {"-f", "psp", "-bufsize", "10M"}}), "c.mp4",
         concat({x264Out,
                 {"-f", "psp", "-bufsize", "4000k", "-profile:v", "main", "-refs", "1", "-level:v", "2.1",
                  "-maxrate", "4000k", "-pix_fmt", "yuv420p"}})},
        {"PSP 5",
         {"-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M", "-qscale", "7",
          "-bitexact"},
         "c.mp4",
         {"-c:v", "libxvid", "-c:a", "aac", "-f", "psp", "-bufsize", "10M", "-q:v", "7", "-bitexact"}},
        {"PSP 6",
         {"-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-bufsize", "10M", "-qscale", "10",
          "-bitexact"},
         "c.mp4",
         {"-c:v", "libxvid", "-c:a", "aac", "-f", "psp", "-bufsize", "10M", "-q:v", "10", "-bitexact"}},
        {"MP4 3 avi",
         {"-vcodec", "mpeg4", "-acodec", "libmp3lame"},
         "c.avi",
         {"-c:v", "mpeg4", "-c:a", "libmp3lame"}},
        {"MP4 5 mp4", x264, "c.mp4", concat({x264Out, kHigh})},
        {"MP4 8 mov",
         {"-vcodec", "libxvid", "-acodec", "libamr_nb"},
         "c.mov",
         {"-c:v", "libxvid", "-c:a", "aac", "-ar", "8000", "-ac", "1", "-b:a", "12.2k"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = translate(concat({typedHead(), c.recipe, {"-y", c.out}}));
        Words head = typedHeadOut();
        if (std::find(c.recipe.begin(), c.recipe.end(), "768k") != c.recipe.end()) {
            *std::find(head.begin(), head.end(), "1200k") = "768k";
        }
        EXPECT_EQ(result.arguments, concat({head, c.expected, kRate, kAsync, output(c.out)}));
    }
    // iPod without a QALevel adds no tuning text at all.
    EXPECT_EQ(translate(concat({typedHead(), x264, {"-y", "c.mp4"}})).arguments,
              concat({typedHeadOut(), x264Out, kHigh, kRate, kAsync, output("c.mp4")}));
}

TEST(Translator, AudioRecipes) {
    // Audio targets: no video group.
    const Words head = {"-vsync", "24",  "-async",   "24",   "-i", "/media/song.wav", "-ab", "128.00k", "-ac",
                        "2",      "-ar", "44100.00", "-vol", "256"};
    const Words headOut = {
        "-i", "file:/media/song.wav", "-map", "0:a:0?", "-b:a", "128.00k", "-ac", "2", "-ar", "44100", "-vn"};
    SourceFacts audio = clipFacts();
    audio.hasVideo = false;
    audio.width = audio.height = 0;
    struct Case {
        Words recipe;
        std::string out;
        Words expected;
    };
    for (const auto& c : std::vector<Case>{
             {{"-vn", "-acodec", "wmav2"}, "/out/song.wma", {"-c:a", "wmav2"}},
             {{"-vn", "-acodec", "libmp3lame"}, "/out/song.mp3", {"-c:a", "libmp3lame"}},
             {{"-vn", "-acodec", "libfaac"}, "/out/song.aac", {"-c:a", "aac"}},
         }) {
        SCOPED_TRACE(c.out);
        // Audio alone keeps exactly the samples it decodes to: no resampler, times from the samples.
        const Result result = translate(concat({head, c.recipe, {"-y", c.out}}), audio);
        EXPECT_EQ(result.arguments, concat({headOut, c.expected, kSampleTimes, output(c.out)}));
    }
}

TEST(Translator, VorbisRatesStayWhereTheEncoderStarts) {
    // libvorbis refuses rates above its table's for the sample rate: an 8 kHz phone recording in a
    // WebM recipe gets the highest it takes, with a line; a rate it takes and other encoders pass.
    SourceFacts phone = clipFacts();
    phone.sampleRate = 8000;
    phone.channels = 1;
    const Words recipe = {"-i", "/m/call.3gp", "-vcodec", "libvpx", "-acodec", "libvorbis", "-ab", "128k"};
    struct Case {
        Words more;
        std::string out;
        std::string rate;
        const char* says; // empty: no line
    };
    for (const auto& c : std::vector<Case>{
             {{"-ac", "2"}, "/o/a.webm", "84k", "libvorbis takes at most 84kbit/s for 2 channels at 8000 Hz"},
             {{}, "/o/b.webm", "42k", "using 42k instead of -ab 128k"},
             {{"-ac", "2", "-ar", "44100"}, "/o/c.webm", "128k", ""},
         }) {
        SCOPED_TRACE(c.out);
        const Result result = translate(concat({recipe, c.more, {"-y", c.out}}), phone);
        const auto at = std::find(result.arguments.begin(), result.arguments.end(), "-b:a");
        ASSERT_NE(at, result.arguments.end());
        EXPECT_EQ(*(at + 1), c.rate);
        EXPECT_EQ(mentions(result.notes, "libvorbis takes at most"), *c.says != '\0');
        if (*c.says != '\0') {
            EXPECT_TRUE(mentions(result.notes, c.says));
        }
    }
    const Result mp3 = translate(
        {"-i", "/m/call.3gp", "-vn", "-acodec", "libmp3lame", "-ab", "128k", "-y", "/o/d.mp3"}, phone);
    EXPECT_NE(std::find(mp3.arguments.begin(), mp3.arguments.end(), "128k"), mp3.arguments.end());
}

TEST(Translator, DiscTargetsKeepWhatTheyAllowAndSayWhatTheyChange) {
    // The head's settings stand before the target: what the disc allows is kept after the target, what
    // it cannot take is named on a line of its own.
    const Words dvd = {"-target", "pal-dvd", "-acodec", "ac3", "-mbd", "2", "-qmin", "2"};
    Words head = typedHead();
    *std::find(head.begin(), head.end(), "64.00k") = "192.00k";
    const Result ac3 = translate(concat({head, dvd, {"-y", "/out/c.mpg"}}));
    EXPECT_EQ(ac3.arguments, concat({{"-i",        "file:/media/clip.avi",
                                      "-map",      "0:V:0?",
                                      "-map",      "0:a:0?",
                                      "-fps_mode", "cfr",
                                      "-ac",       "2",
                                      "-target",   "pal-dvd",
                                      "-b:v",      "1200k",
                                      "-b:a",      "192.00k",
                                      "-aspect",   "4:3",
                                      "-mbd",      "2",
                                      "-qmin",     "2",
                                      "-vf",       "fps=25"}, // frames nearest in time at the disc's rate
                                     kAsync,
                                     output("/out/c.mpg")}));
    EXPECT_TRUE(mentions(ac3.notes,
                         "-target pal-dvd makes pictures of 720x576 (the picture keeps its shape); "
                         "-s 320x240 not used"));
    EXPECT_TRUE(mentions(ac3.notes, "-target pal-dvd needs 48000 Hz audio; -ar 44100.00 not used"));
    EXPECT_FALSE(mentions(ac3.notes, "-r 25.00")); // the PAL rate itself
    EXPECT_FALSE(mentions(ac3.notes, "-ab"));

    // MP2 on a DVD: the command's rate within what layer 2 allows; above it, held there, loudly.
    const Result mp2 =
        translate(concat({typedHead(), {"-target", "ntsc-dvd", "-acodec", "mp2", "-y", "/out/c.mpg"}}));
    EXPECT_EQ(mp2.arguments, concat({{"-i",        "file:/media/clip.avi",
                                      "-map",      "0:V:0?",
                                      "-map",      "0:a:0?",
                                      "-fps_mode", "cfr",
                                      "-ac",       "2",
                                      "-target",   "ntsc-dvd",
                                      "-b:v",      "1200k",
                                      "-b:a",      "64.00k",
                                      "-aspect",   "4:3",
                                      "-c:a",      "mp2",
                                      "-vf",       "fps=30000/1001"},
                                     kAsync,
                                     output("/out/c.mpg")}));
    EXPECT_TRUE(mentions(mp2.notes, "-target ntsc-dvd needs 29.97 frames per second; -r 25.00 not used"));
    const Result loud =
        translate({"-i", "a.avi", "-ab", "448k", "-target", "pal-dvd", "-acodec", "mp2", "-y", "b.mpg"});
    EXPECT_TRUE(mentions(loud.notes, "-target pal-dvd allows at most 384kbit/s audio; using 384k instead of "
                                     "-ab 448k"));
    EXPECT_EQ(std::count(loud.arguments.begin(), loud.arguments.end(), "384k"), 1);

    // A VCD carries MPEG audio layer 2 at fixed rates; the target's own codec stays.
    const Result vcd =
        translate(concat({typedHead(), {"-target", "pal-vcd", "-acodec", "ac3", "-y", "/out/c.mpg"}}));
    EXPECT_EQ(vcd.arguments,
              concat({{"-i", "file:/media/clip.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-fps_mode", "cfr",
                       "-target", "pal-vcd", "-aspect", "4:3", "-vf", "fps=25"},
                      kAsync,
                      output("/out/c.mpg")}));
    EXPECT_TRUE(mentions(vcd.notes, "MPEG audio layer 2 only"));
    EXPECT_TRUE(mentions(vcd.notes, "-target pal-vcd writes video at 1150kbit/s; -b 1200k not used"));
    EXPECT_TRUE(mentions(vcd.notes, "-target pal-vcd writes audio at 224kbit/s; -ab 64.00k not used"));

    // A bit rate after the target is held to the target's maximum.
    const Result fast = translate({"-i", "a.avi", "-target", "pal-vcd", "-b", "2000k", "-y", "b.mpg"});
    EXPECT_EQ(fast.arguments, concat({{"-i", "file:a.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-target",
                                       "pal-vcd", "-aspect", "4:3", "-b:v", "1150k", "-vf", "fps=25"},
                                      output("b.mpg")}));

    // DV has PCM audio only.
    const Result dv = translate({"-i", "a.avi", "-target", "pal-dv", "-acodec", "mp2", "-y", "b.dv"});
    EXPECT_EQ(dv.arguments, concat({{"-i", "file:a.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-target",
                                     "pal-dv", "-vf", "fps=25"},
                                    output("b.dv")}));
    EXPECT_TRUE(mentions(dv.notes, "dropped -acodec mp2"));
}

TEST(Translator, PicturesKeepTheirShape) {
    SourceFacts wide = clipFacts();
    wide.width = 448;
    wide.height = 256; // 7:4 without a sample aspect
    wide.displayAspect = 1.75;
    // A fixed frame of another shape: the picture is fitted and bars fill the rest, square pixels.
    const Result fitted =
        translate({"-i", "w.avi", "-s", "640x480", "-vcodec", "mpeg4", "-y", "o.avi"}, wide);
    EXPECT_EQ(fitted.arguments, concat({{"-i", "file:w.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-c:v",
                                         "mpeg4", "-vf", "scale=640:366,pad=640:480:0:57,setsar=1"},
                                        output("o.avi")}));
    SourceFacts tall = wide;
    tall.displayAspect = 0.75;
    EXPECT_EQ(translate({"-i", "t.avi", "-s", "320x240", "-y", "o.avi"}, tall).arguments,
              concat({{"-i", "file:t.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-vf",
                       "scale=180:240,pad=320:240:70:0,setsar=1"},
                      output("o.avi")}));
    // The same shape, an aspect the command states, or no size: nothing changes.
    SourceFacts same = wide;
    same.displayAspect = 4.0 / 3.0;
    EXPECT_EQ(
        translate({"-i", "s.avi", "-s", "320x240", "-y", "o.avi"}, same).arguments,
        concat({{"-i", "file:s.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-s", "320x240"}, output("o.avi")}));
    EXPECT_EQ(
        translate({"-i", "w.avi", "-s", "320x240", "-aspect", "4:3", "-y", "o.avi"}, wide).arguments,
        concat({{"-i", "file:w.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-s", "320x240", "-aspect", "4:3"},
                output("o.avi")}));

    // A DVD shows 16:9 for a wide source and fits the picture into it; an aspect it cannot show is refused.
    const Result disc = translate({"-i", "w.avi", "-target", "pal-dvd", "-y", "o.mpg"}, wide);
    EXPECT_EQ(disc.arguments,
              concat({{"-i", "file:w.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-target", "pal-dvd",
                       "-aspect", "16:9", "-vf", "fps=25,scale=708:576,pad=720:576:6:0"},
                      output("o.mpg")}));
    const Result refused =
        translate({"-i", "w.avi", "-aspect", "2.35", "-target", "ntsc-svcd", "-y", "o.mpg"}, wide);
    EXPECT_TRUE(mentions(refused.notes,
                         "-target ntsc-svcd shows pictures at 4:3 or 16:9; using 16:9 instead of "
                         "-aspect 2.35"));
    EXPECT_EQ(std::count(refused.arguments.begin(), refused.arguments.end(), "16:9"), 1);
    EXPECT_EQ(std::count(refused.arguments.begin(), refused.arguments.end(), "2.35"), 0);

    // Crops and pads on a disc: the pads lie inside the disc's frame, the cropped picture keeps its shape
    // (its pixels' own shape too) between them, and the disc's shape is always written.
    SourceFacts anamorphic = wide;
    anamorphic.width = 720;
    anamorphic.height = 576;
    anamorphic.displayAspect = 16.0 / 9.0; // pixels 64:45
    SourceFacts square = wide;
    square.width = 640;
    square.height = 480;
    square.displayAspect = 4.0 / 3.0;
    struct DiscCase {
        Words options;
        SourceFacts source;
        Words expected; // after the target
    };
    const std::vector<DiscCase> discs = {
        {{"-croptop", "72", "-cropbottom", "72", "-target", "pal-dvd"},
         anamorphic,
         {"-aspect", "16:9", "-vf",
          "fps=25,crop=iw-0:ih-144:0:72,scale=720:432,pad=720:576:0:72:color=black"}},
        {{"-padleft", "40", "-padright", "40", "-padcolor", "FF0000", "-target", "pal-svcd"},
         square,
         {"-aspect", "4:3", "-vf", "fps=25,scale=400:480,pad=480:576:40:48:color=0xFF0000"}},
        {{"-cropleft", "80", "-cropright", "80", "-target", "ntsc-dvd"},
         square,
         {"-aspect", "4:3", "-vf",
          "fps=30000/1001,crop=iw-160:ih-0:80:0,scale=540:480,pad=720:480:90:0:color=black"}},
    };
    for (const auto& c : discs) {
        SCOPED_TRACE(c.options.front());
        const Words target(c.options.end() - 2, c.options.end());
        EXPECT_EQ(translate(concat({{"-i", "d.avi"}, c.options, {"-y", "o.mpg"}}), c.source).arguments,
                  concat({{"-i", "file:d.avi", "-map", "0:V:0?", "-map", "0:a:0?"},
                          target,
                          c.expected,
                          output("o.mpg")}));
    }
}

TEST(Translator, MetadataAndStreams) {
    const Words tags = {"-title", "T", "-author", "A", "-album", "B", "-copyright", "C", "-comment", "D"};
    const Words both = {"-map", "0:V:0?", "-map", "0:a:0?"};
    struct Case {
        std::string out;
        std::string authorKey;
        Words maps;
        Words fixes;
    };
    for (const auto& c :
         std::vector<Case>{{"o.avi", "artist", both, {}},
                           {"o.mp4", "artist", both, kHigh},
                           {"o.3gp",
                            "author",
                            both,
                            // No H.263 at 640x480, no AMR encoder; a phone's MPEG-4 up to 2 Mbit/s above CIF.
                            {"-c:v", "mpeg4", "-c:a", "aac", "-maxrate", "2048k", "-bufsize", "2048k"}},
                           {"o.rm", "author", both, {}},
                           {"o.mp3", "artist", {"-map", "0:a:0?"}, {}}, // an audio file gets no video
                           {"o.wmv", "artist", both, {}}}) {
        SCOPED_TRACE(c.out);
        const Result result = translate(concat({{"-i", "in.avi"}, tags, {"-y", c.out}}));
        EXPECT_EQ(result.arguments,
                  concat({{"-i", "file:in.avi"},
                          c.maps,
                          {"-metadata", "title=T", "-metadata", c.authorKey + "=A", "-metadata", "album=B",
                           "-metadata", "copyright=C", "-metadata", "comment=D"},
                          c.fixes,
                          output(c.out)}));
    }
    // Empty tags write nothing; kept input tags can be cleared.
    EXPECT_EQ(translate({"-i", "in.avi", "-title", "", "-y", "o.avi"}).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?"}, output("o.avi")}));
    EXPECT_EQ(translate({"-i", "in.avi", "-map_meta_data", "0:0", "-title", "", "-y", "o.avi"}).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-map_metadata", "0",
                       "-metadata", "title="},
                      output("o.avi")}));
    // Switching streams off, and explicit old-style maps.
    EXPECT_EQ(translate({"-i", "in.avi", "-an", "-y", "o.avi"}).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-an"}, output("o.avi")}));
    EXPECT_EQ(translate({"-i", "in.avi", "-map", "0.1", "-map", "0.0:0.1", "-y", "o.avi"}).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:1", "-map", "0:0,0:1"}, output("o.avi")}));
}

TEST(Translator, CutsSeekOnTheInput) {
    // The typed path writes the cut at the end of the general group; the general path right after -i.
    const Result typed =
        translate({"-i", "in.avi", "-vol", "256", "-ss", "00:00:10", "-t", "50", "-y", "o.avi"});
    EXPECT_EQ(typed.arguments, concat({{"-ss", "00:00:10", "-i", "file:in.avi", "-map", "0:V:0?", "-map",
                                        "0:a:0?", "-t", "50"},
                                       output("o.avi")}));
    // A profile's own start and length come later and win, as they did.
    const Result general = translate(
        {"-i", "in.avi", "-ss", "00:00:10", "-t", "50", "-ss", "00:00:20", "-t", "5", "-y", "o.avi"});
    EXPECT_EQ(general.arguments,
              concat({{"-ss", "00:00:20", "-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-t", "5"},
                      output("o.avi")}));
    // An end before the start, or a cut of nothing, converts nothing.
    EXPECT_NE(translate({"-i", "in.avi", "-ss", "00:00:10", "-t", "-5", "-y", "o.avi"}).error, "");
    EXPECT_NE(translate({"-i", "in.avi", "-t", "0", "-y", "o.avi"}).error, "");
    EXPECT_NE(translate({"-i", "in.avi", "-ss", "soon", "-y", "o.avi"}).error, "");
}

TEST(Translator, StartsOfZeroAndLengthsToTheEndCutNothing) {
    SourceFacts facts = clipFacts();
    facts.duration = 0.04; // a header that under-reports the length
    const Words typed = {"-i", "in.mpg", "-ss", "00:00:00", "-t", "1", "-y", "o.avi"};
    const Result whole = translate(typed, facts);
    EXPECT_EQ(whole.arguments,
              concat({{"-i", "file:in.mpg", "-map", "0:V:0?", "-map", "0:a:0?"}, output("o.avi")}));
    EXPECT_TRUE(mentions(whole.notes, "-t 1 reaches the end of the source (0.04 s as its header says)"));
    // A real cut stays: a length short of the end, any start above zero, or a source of unknown length.
    facts.duration = 4.4;
    for (const auto& c : std::vector<std::pair<Words, Words>>{
             {{"-i", "in.mpg", "-ss", "00:00:00", "-t", "4", "-y", "o.avi"}, {"-t", "4"}},
             {{"-i", "in.mpg", "-ss", "00:00:01", "-t", "5", "-y", "o.avi"}, {"-t", "5"}},
         }) {
        const Result cut = translate(c.first, facts);
        EXPECT_NE(std::search(cut.arguments.begin(), cut.arguments.end(), c.second.begin(), c.second.end()),
                  cut.arguments.end());
    }
    SourceFacts unknown = clipFacts();
    unknown.duration = 0.0;
    const Result kept = translate(typed, unknown);
    EXPECT_EQ(std::count(kept.arguments.begin(), kept.arguments.end(), "-t"), 1);
    EXPECT_EQ(std::count(kept.arguments.begin(), kept.arguments.end(), "-ss"), 0);

    // An input that cannot seek is cut on the output side.
    TranslationRequest request;
    request.command = *parseOldCommand({"-i", "in.h264", "-ss", "00:00:02", "-t", "1", "-y", "o.avi"});
    request.outputPath = request.writePath = "o.avi";
    request.source = clipFacts();
    EXPECT_TRUE(translateCommand(request)->seeksInput);
    request.seekOnOutput = true;
    const Translation after = *translateCommand(request);
    EXPECT_FALSE(after.seeksInput);
    const Words tail = {"-i",     "file:in.h264", "-map",     "0:V:0?", "-map",
                        "0:a:0?", "-ss",          "00:00:02", "-t",     "1"};
    EXPECT_NE(std::search(after.arguments.begin(), after.arguments.end(), tail.begin(), tail.end()),
              after.arguments.end());
}

TEST(Translator, AudioIsNeverStretched) {
    // With pictures, gaps are filled from the pictures' start; audio alone gets no resampler at all.
    const Result both = translate({"-async", "24", "-i", "in.avi", "-vcodec", "mpeg4", "-y", "o.mkv"});
    EXPECT_EQ(both.arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-c:v", "mpeg4"},
                      kAsync,
                      output("o.mkv")}));
    const Result song = translate({"-async", "24", "-i", "in.ogg", "-vn", "-y", "o.mp3"});
    EXPECT_EQ(song.arguments,
              concat({{"-i", "file:in.ogg", "-map", "0:a:0?", "-vn"}, kSampleTimes, output("o.mp3")}));
    // Without -async the samples keep the times they come with.
    const Result asIs = translate({"-i", "in.ogg", "-vn", "-y", "o.mp3"});
    EXPECT_EQ(asIs.arguments, concat({{"-i", "file:in.ogg", "-map", "0:a:0?", "-vn"}, output("o.mp3")}));
    SourceFacts silentFilm = clipFacts();
    silentFilm.hasAudio = false;
    EXPECT_EQ(translate({"-async", "24", "-i", "in.avi", "-vol", "512", "-y", "o.avi"}, silentFilm).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?"}, output("o.avi")}));
}

TEST(Translator, GeneralPathLines) {
    // The general path: profile options in id order, "k" after bit rates, -async/-vsync at the end.
    const Result mkv = translate({"-i",    "/m/clip.mov", "-vcodec", "libx264", "-b",
                                  "2500k", "-pix_fmt",    "yuv420p", "-acodec", "libfaac",
                                  "-ab",   "160k",        "-ac",     "2",       "-async",
                                  "24",    "-vsync",      "24",      "-y",      "/o/clip_h264_aac.mkv"});
    EXPECT_EQ(mkv.arguments, concat({{"-i",         "file:/m/clip.mov",
                                      "-map",       "0:V:0?",
                                      "-map",       "0:a:0?",
                                      "-c:v",       "libx264",
                                      "-b:v",       "2500k",
                                      "-pix_fmt",   "yuv420p",
                                      "-c:a",       "aac",
                                      "-b:a",       "160k",
                                      "-ac",        "2",
                                      "-fps_mode",  "cfr",
                                      "-profile:v", "high"},
                                     kAsync,
                                     output("/o/clip_h264_aac.mkv")}));

    // Unquoted text values come back together; switches stand alone; "True" switches have no value.
    const Result text = translate(
        {"-i", "in.avi", "-title", "My", "Holiday", "Film", "-vn", "-acodec", "libvorbis", "-y", "o.ogg"});
    EXPECT_EQ(text.arguments, concat({{"-i", "file:in.avi", "-map", "0:a:0?", "-metadata",
                                       "title=My Holiday Film", "-vn", "-c:a", "libvorbis"},
                                      output("o.ogg")}));

    // Plain options of the option table.
    const Result plain = translate(
        {"-i",          "in.avi",     "-vframes",   "10",      "-aframes",     "20",       "-aq",
         "4",           "-vbsf",      "dump_extra", "-intra",  "-deinterlace", "-croptop", "8",
         "-cropbottom", "8",          "-padleft",   "4",       "-padright",    "4",        "-padcolor",
         "FF0000",      "-s",         "320x240",    "-vol",    "512",          "-alang",   "eng",
         "-timestamp",  "2008-01-01", "12:00:00",   "-vcodec", "mpeg4",        "-y",       "o.avi"});
    EXPECT_EQ(plain.arguments,
              concat({{"-i",
                       "file:in.avi",
                       "-map",
                       "0:V:0?",
                       "-map",
                       "0:a:0?",
                       "-frames:v",
                       "10",
                       "-frames:a",
                       "20",
                       "-q:a",
                       "4",
                       "-bsf:v",
                       "dump_extra",
                       "-g",
                       "1",
                       "-metadata:s:a:0",
                       "language=eng",
                       "-metadata",
                       "creation_time=2008-01-01 12:00:00",
                       "-c:v",
                       "mpeg4",
                       "-vf",
                       "yadif,crop=iw-0:ih-16:0:8,scale=320:240,pad=iw+8:ih+0:4:0:color=0xFF0000",
                       "-af",
                       "volume=512/256"},
                      output("o.avi")}));

    // What FFmpeg 5.1 lacks is dropped, each with its line.
    const Result gone = translate({"-i", "in.avi", "-sameq", "-vhook", "x.so", "-tvstd", "PAL", "-newaudio",
                                   "-v", "1", "-me_threshold", "5", "-y", "o.avi"});
    EXPECT_EQ(gone.arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?"}, output("o.avi")}));
    EXPECT_EQ(gone.notes.size(), 6U);

    // Unknown options reach FFmpeg unchanged, with or without a value.
    const Result unknown = translate({"-i", "in.avi", "-crf", "20", "-tune", "film", "-fflags", "+genpts",
                                      "-movflags", "+faststart", "-y", "o.mp4"});
    EXPECT_EQ(unknown.arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-crf", "20", "-tune", "film",
                       "-fflags", "+genpts", "-movflags", "+faststart"},
                      kHigh,
                      output("o.mp4")}));
}

TEST(Translator, FrameSizesAndRates) {
    // A profile without a size leaves "240x0": the height follows the picture's shape.
    const Result half = translate({"-i", "in.avi", "-s", "240x0", "-vcodec", "mpeg4", "-y", "o.avi"});
    EXPECT_EQ(half.arguments, concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-c:v",
                                       "mpeg4", "-vf", "scale=240:-2"},
                                      output("o.avi")}));
    // Odd sizes become even.
    EXPECT_EQ(translate({"-i", "in.avi", "-s", "321x241", "-y", "o.avi"}).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-s", "320x240"},
                      output("o.avi")}));
    // Flash files take MP3 at 44.1, 22.05 or 11.025 kHz only.
    EXPECT_EQ(translate({"-i", "in.avi", "-ar", "48000.00", "-vcodec", "flv", "-acodec", "libmp3lame", "-y",
                         "o.flv"})
                  .arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-ar", "44100", "-c:v", "flv",
                       "-c:a", "libmp3lame"},
                      output("o.flv")}));
    EXPECT_EQ(translate({"-i", "in.avi", "-f", "swf", "-acodec", "libmp3lame", "-y", "o.swf"}).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-f", "swf", "-c:a",
                       "libmp3lame", "-ar", "44100"},
                      output("o.swf")}));
    // Rates and channels an encoder cannot take.
    EXPECT_EQ(
        translate({"-i", "in.avi", "-ar", "22050", "-ac", "5", "-acodec", "libmp3lame", "-y", "o.mp3"})
            .arguments,
        concat({{"-i", "file:in.avi", "-map", "0:a:0?", "-ar", "22050", "-ac", "2", "-c:a", "libmp3lame"},
                output("o.mp3")}));
    EXPECT_EQ(
        translate({"-i", "in.avi", "-ar", "22050", "-acodec", "ac3", "-y", "o.ac3"}).arguments,
        concat({{"-i", "file:in.avi", "-map", "0:a:0?", "-ar", "32000", "-c:a", "ac3"}, output("o.ac3")}));
    // Stream copy keeps frames and samples as they are.
    const Result copy = translate({"-i", "in.avi", "-vcodec", "copy", "-acodec", "copy", "-vol", "512",
                                   "-vsync", "24", "-async", "24", "-y", "o.mkv"});
    EXPECT_EQ(copy.arguments, concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-c:v",
                                       "copy", "-c:a", "copy"},
                                      output("o.mkv")}));
    EXPECT_TRUE(mentions(copy.notes, "dropped -vol 512"));
}

TEST(Translator, PicturesAndOddSources) {
    SourceFacts still = clipFacts();
    still.still = true;
    still.hasAudio = false;
    // A looped picture needs a length.
    EXPECT_EQ(translate({"-loop_input", "-i", "p.png", "-t", "5", "-y", "o.avi"}, still).arguments,
              concat({{"-loop", "1", "-i", "file:p.png", "-map", "0:V:0?", "-map", "0:a:0?", "-t", "5"},
                      output("o.avi")}));
    const Result endless = translate({"-loop_input", "-i", "p.png", "-y", "o.avi"}, still);
    EXPECT_EQ(endless.arguments[0], "-i");
    EXPECT_TRUE(mentions(endless.notes, "needs -t"));

    SourceFacts odd = clipFacts();
    odd.width = 321;
    odd.height = 241;
    EXPECT_EQ(translate({"-i", "in.avi", "-vcodec", "libx264", "-y", "o.mkv"}, odd).arguments,
              concat({{"-i", "file:in.avi", "-map", "0:V:0?", "-map", "0:a:0?", "-c:v", "libx264"},
                      kHigh,
                      {"-vf", "crop=trunc(iw/2)*2:trunc(ih/2)*2"},
                      output("o.mkv")}));
}

TEST(Translator, FrameServerScriptSource) {
    TranslationRequest request;
    request.command = *parseOldCommand({"-vsync", "24", "-async", "24", "-i", "/prog/input.avs", "-r",
                                        "25.00", "-vcodec", "mpeg4", "-y", "/o/c.avi"});
    request.script = ScriptSource{"/m/clip.asf", 23.976, true};
    request.outputPath = "/o/c.avi";
    request.writePath = "/o/c.vec-part-x.avi";
    request.source = clipFacts();
    const Translation converted = *translateCommand(request);
    const Words expected = concat({ffmpegPreamble(),
                                   {"-i", "file:/m/clip.asf", "-map", "0:V:0?", "-map", "0:a:0?", "-fps_mode",
                                    "cfr", "-r", "25.00", "-c:v", "mpeg4", "-vf", "fps=23.976,fps=25.00"},
                                   kAsync,
                                   output("/o/c.vec-part-x.avi")});
    EXPECT_EQ(converted.arguments, expected);

    request.script = ScriptSource{"/m/clip.mov", 23.976, false}; // keeps the source's timing
    const Translation kept = *translateCommand(request);
    EXPECT_EQ(std::count(kept.arguments.begin(), kept.arguments.end(), "fps=25.00"),
              1); // the command's own rate
}

TEST(Translator, PspFilesGetBothStreams) {
    SourceFacts picture = clipFacts();
    picture.still = true;
    picture.hasAudio = false;
    const Words psp = {"-i", "p.png", "-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-y", "o.mp4"};
    const Result silent = translate(psp, picture);
    EXPECT_EQ(silent.arguments,
              concat({{"-i",      "file:p.png", "-f",
                       "lavfi",   "-i",         "anullsrc=channel_layout=stereo:sample_rate=48000",
                       "-map",    "0:V:0?",     "-map",
                       "1:a:0",   "-shortest",  "-c:v",
                       "libxvid", "-c:a",       "aac",
                       "-f",      "psp",        "-maxrate",
                       "1500k",   "-bufsize",   "1500k"},
                      output("o.mp4")}));
    SourceFacts sound = clipFacts();
    sound.hasVideo = false;
    sound.duration = 2.5;
    const Result black = translate(
        {"-i", "s.wav", "-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-y", "o.mp4"}, sound);
    EXPECT_EQ(black.arguments,
              concat({{"-i",      "file:s.wav", "-f",
                       "lavfi",   "-i",         "color=color=black:size=320x240:rate=25:duration=2.500",
                       "-map",    "1:v:0",      "-map",
                       "0:a:0?",  "-shortest",  "-c:v",
                       "libxvid", "-c:a",       "aac",
                       "-f",      "psp",        "-maxrate",
                       "1500k",   "-bufsize",   "1500k"},
                      output("o.mp4")}));

    // A length guessed from the bit rate (a raw stream) does not end the filler: -shortest does.
    SourceFacts raw = clipFacts();
    raw.hasAudio = false;
    raw.duration = 0.018;
    raw.lengthGuessed = true;
    const Result guessed = translate(
        {"-i", "r.mpg", "-vcodec", "libxvid", "-acodec", "libfaac", "-f", "psp", "-y", "o.mp4"}, raw);
    EXPECT_NE(std::find(guessed.arguments.begin(), guessed.arguments.end(),
                        "anullsrc=channel_layout=stereo:sample_rate=48000"),
              guessed.arguments.end());
}

TEST(Translator, AsksAboutTheInputOnlyWhenAChoiceDependsOnIt) {
    int probes = 0;
    SourceFacts odd = clipFacts();
    odd.width = 321;
    const auto run = [&](const Words& old) {
        TranslationRequest request;
        request.command = *parseOldCommand(old);
        request.outputPath = request.writePath = request.command.output;
        request.probe = [&] {
            ++probes;
            return odd;
        };
        return *translateCommand(request);
    };
    // A fixed frame size depends on the source's shape: asked once. Without size or length: nothing to ask.
    run(concat({typedHead(), {"-vcodec", "libx264", "-acodec", "libfaac", "-y", "o.mp4"}}));
    EXPECT_EQ(probes, 1);
    run({"-i", "a.avi", "-ar", "22050", "-vcodec", "flv", "-acodec", "libmp3lame", "-y", "o.flv"});
    EXPECT_EQ(probes, 1);
    probes = 0;
    // libx264 without a size must know whether the source's sides are even; asked once.
    const auto general = run({"-i", "a.avi", "-vcodec", "libx264", "-b", "900k", "-y", "o.mkv"});
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(general.arguments.back(), "file:o.mkv");
    EXPECT_NE(
        std::find(general.arguments.begin(), general.arguments.end(), "crop=trunc(iw/2)*2:trunc(ih/2)*2"),
        general.arguments.end());
    // Flash audio without a rate depends on the source's rate.
    run({"-i", "a.avi", "-vcodec", "flv", "-acodec", "libmp3lame", "-y", "o.flv"});
    EXPECT_EQ(probes, 2);
}

TEST(Translator, NamesReachFfmpegAsFiles) {
    const Result result = translate({"-i", "-clip:1.avi", "-y", "-out:2.avi"});
    EXPECT_EQ(result.arguments,
              concat({{"-i", "file:-clip:1.avi", "-map", "0:V:0?", "-map", "0:a:0?"}, output("-out:2.avi")}));
}

TEST(Translator, DeviceLimitsFollowThePictureSize) {
    // Without -s the source's 640x480 needs the iPod's larger row: level 3.0, 2.5 Mbit/s.
    const Result large = translate({"-i", "a.avi", "-vcodec", "libx264", "-maxrate", "768k", "-y", "o.mp4"});
    const Words level30 = {"-level:v", "3.0"};
    EXPECT_NE(std::search(large.arguments.begin(), large.arguments.end(), level30.begin(), level30.end()),
              large.arguments.end());
    // A PSP rate above the device's is held to it, loudly.
    const Result fast = translate(
        {"-i", "a.avi", "-s", "480x272", "-vcodec", "libx264", "-f", "psp", "-maxrate", "9M", "-y", "o.mp4"});
    EXPECT_TRUE(
        mentions(fast.notes, "the PSP plays H.264 up to 4000kbit/s; using 4000k instead of -maxrate 9M"));
    const Words held = {"-maxrate", "4000k"};
    EXPECT_NE(std::search(fast.arguments.begin(), fast.arguments.end(), held.begin(), held.end()),
              fast.arguments.end());
}

bool contains(const Words& words, const Words& run) {
    return std::search(words.begin(), words.end(), run.begin(), run.end()) != words.end();
}

// Translates with what the file's streams say (fields, where its tags are) besides the detector's facts.
Result translateWithStreams(const Words& old, const StreamFacts& streams,
                            const SourceFacts& facts = clipFacts()) {
    TranslationRequest request;
    request.command = *parseOldCommand(old);
    request.outputPath = request.writePath = request.command.output;
    request.source = facts;
    request.streamProbe = [streams] { return streams; };
    const auto translation = translateCommand(request);
    if (!translation) {
        return {{}, {}, translation.error()};
    }
    return {translation->arguments, translation->notes, ""};
}

TEST(Translator, RateLimitedDevicesKeepTheirRateAndBuffer) {
    const struct {
        const char* name;
        Words old;
        Words present;
        const char* note;
    } cases[] = {
        // H.263 and MPEG-4 hold no rate of their own: the phone's rate is the ceiling, a second of it the
        // buffer.
        {"3GP H.263",
         {"-i", "a.avi", "-b", "128k", "-s", "176x144", "-vcodec", "h263", "-acodec", "aac", "-f", "3gp",
          "-y", "o.3gp"},
         {"-maxrate", "128k", "-bufsize", "128k"},
         ""},
        {"3G2 MPEG-4 above the phone's rate",
         {"-i", "a.avi", "-b", "900k", "-s", "176x144", "-vcodec", "mpeg4", "-acodec", "aac", "-f", "3g2",
          "-y", "o.3g2"},
         {"-maxrate", "384k", "-bufsize", "384k"},
         "-b 900k is above the maximum rate 384k"},
        // The iPod classic's TV-out recipe asks 10 Mbit/s; the iPod plays 2.5 Mbit/s at 640x480.
        {"iPod classic",
         {"-i", "a.avi", "-b", "1500k", "-s", "640x480", "-vcodec", "libx264", "-maxrate", "10M", "-bufsize",
          "10M", "-level", "30", "-y", "o.mp4"},
         {"-maxrate", "2500k", "-bufsize", "2500k"},
         "the iPod plays H.264 up to 2500kbit/s; using 2500k instead of -maxrate 10M"},
        {"iPod MPEG-4 at 640x480",
         {"-i", "a.avi", "-b", "2000k", "-s", "640x480", "-vcodec", "mpeg4", "-flags", "+aic+mv4", "-y",
          "o.mp4"},
         {"-maxrate", "2000k", "-bufsize", "2000k"},
         ""},
        {"PSP MPEG-4",
         {"-i", "a.avi", "-b", "768k", "-vcodec", "libxvid", "-f", "psp", "-bufsize", "10M", "-y", "o.mp4"},
         {"-maxrate", "768k"},
         "the PSP buffers 768kbit of this video; using 768k instead of -bufsize 10M"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = translate(c.old);
        EXPECT_TRUE(contains(result.arguments, c.present));
        EXPECT_TRUE(std::string(c.note).empty() || mentions(result.notes, c.note));
    }
    // Not a device: a plain MP4 with MPEG-4, and a PSP file asked at a fixed quantiser, keep no ceiling.
    for (const Words& free :
         {Words{"-i", "a.avi", "-b", "900k", "-vcodec", "mpeg4", "-y", "o.mp4"},
          Words{"-i", "a.avi", "-vcodec", "mpeg4", "-f", "psp", "-qscale", "4", "-y", "o.mp4"}}) {
        const Result result = translate(free);
        EXPECT_EQ(std::find(result.arguments.begin(), result.arguments.end(), "-maxrate"),
                  result.arguments.end());
    }
}

TEST(Translator, InterlacedSourcesTagsOnStreamsAndShortAdts) {
    const Words mp4 = {"-i", "a.mpg", "-s", "640x480", "-vcodec", "mpeg4", "-acodec", "aac", "-y", "o.mp4"};
    const Words dvd = {"-i", "a.mpg", "-target", "pal-dvd", "-y", "o.mpg"};
    const Words vcd = {"-i", "a.mpg", "-target", "pal-vcd", "-y", "o.mpg"};
    StreamFacts fields;
    fields.interlaced = true;
    const auto filters = [](const Result& result) {
        const auto at = std::find(result.arguments.begin(), result.arguments.end(), "-vf");
        return at == result.arguments.end() ? std::string() : *(at + 1);
    };
    // A progressive target weaves the fields first; DVD keeps them and encodes them as fields; VCD is
    // progressive; a progressive source is left alone.
    EXPECT_EQ(filters(translateWithStreams(mp4, fields)).rfind("yadif=deint=interlaced", 0), 0u);
    EXPECT_EQ(filters(translateWithStreams(mp4, StreamFacts{})).find("yadif"), std::string::npos);
    const Result disc = translateWithStreams(dvd, fields);
    EXPECT_EQ(filters(disc).find("yadif"), std::string::npos);
    EXPECT_TRUE(contains(disc.arguments, {"-flags:v", "+ildct+ilme"}));
    EXPECT_FALSE(contains(translateWithStreams(dvd, StreamFacts{}).arguments, {"-flags:v", "+ildct+ilme"}));
    EXPECT_EQ(filters(translateWithStreams(vcd, fields)).rfind("yadif=deint=interlaced,", 0), 0u);

    // Tags kept with the sound stream (Ogg) become the file's; none are mapped when the container has
    // them or when the command chooses itself.
    StreamFacts tagged;
    tagged.tagStream = 'a';
    const Words mp3 = {"-i", "a.ogg", "-vn", "-acodec", "libmp3lame", "-y", "o.mp3"};
    EXPECT_TRUE(contains(translateWithStreams(mp3, tagged).arguments, {"-map_metadata", "0:s:a:0"}));
    EXPECT_FALSE(contains(translateWithStreams(mp3, StreamFacts{}).arguments, {"-map_metadata", "0:s:a:0"}));
    Words chosen = mp3;
    chosen.insert(chosen.end() - 2, {"-map_meta_data", "0:0"});
    EXPECT_FALSE(contains(translateWithStreams(chosen, tagged).arguments, {"-map_metadata", "0:s:a:0"}));
    SourceFacts silent = clipFacts();
    silent.hasAudio = false;
    EXPECT_FALSE(contains(translateWithStreams(mp4, tagged, silent).arguments, {"-map_metadata", "0:s:a:0"}));

    // ADTS: a sound shorter than three AAC frames (69.7 ms at 44.1 kHz) is followed by silence up to them.
    const Words adts = {"-i", "a.wav", "-vn", "-ar", "44100", "-acodec", "libfaac", "-y", "o.aac"};
    SourceFacts sound = clipFacts();
    sound.hasVideo = false;
    for (const double length : {0.010, 0.0696, 0.0697, 1.0}) {
        sound.duration = length;
        const Result result = translate(adts, sound);
        const auto at = std::find(result.arguments.begin(), result.arguments.end(), "-af");
        const bool padded =
            at != result.arguments.end() && (at + 1)->find("apad=whole_dur=0.0698") != std::string::npos;
        EXPECT_EQ(padded, length < 0.0697) << length;
    }
}

TEST(Translator, DeviceRowIsTheSmallestThatHoldsBothSides) {
    // The iPod's rows are 320x240 and 640x480, a phone's 352x288 and 640x480: a picture that is too
    // large for the small row on one side only takes the larger row (640x240 is 600 macroblocks; the
    // small row's level 1.3 allows 396).
    struct Case {
        std::string device; // "ipod" (MP4 held to 768k) or "3gp"
        std::string size;
        std::string level;
    };
    const Case cases[] = {
        {"ipod", "320x240", "1.3"}, {"ipod", "640x240", "3.0"}, {"ipod", "320x480", "3.0"},
        {"ipod", "640x480", "3.0"}, {"ipod", "720x576", "3.0"}, {"3gp", "352x288", "1.3"},
        {"3gp", "640x240", "3.0"},  {"3gp", "176x480", "3.0"},  {"3gp", "1280x720", "3.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device + " " + c.size);
        const Words tail =
            c.device == "ipod" ? Words{"-maxrate", "768k", "-y", "o.mp4"} : Words{"-y", "o.3gp"};
        const Result result = translate(concat({{"-i", "a.avi", "-s", c.size, "-vcodec", "libx264"}, tail}));
        const auto level = std::find(result.arguments.begin(), result.arguments.end(), "-level:v");
        ASSERT_NE(level, result.arguments.end()) << result.error;
        ASSERT_NE(level + 1, result.arguments.end());
        EXPECT_EQ(*(level + 1), c.level);
    }
}

} // namespace
} // namespace morvane::converter
