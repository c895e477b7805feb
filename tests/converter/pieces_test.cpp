#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <limits>
#include <string>
#include <vector>

#include "converter/codec_support.h"
#include "converter/command_text.h"
#include "converter/progress_formatter.h"
#include "converter/run_outcome.h"
#include "converter/vec_program.h"

namespace morvane::converter {
namespace {

TEST(LineSplitter, CarriageReturnsEndLinesToo) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    for (const std::string chunk : {"first\r", "\nsec", "ond\rthird\n\n\r\nfou", "rth"}) {
        const auto got = splitter.feed(chunk);
        lines.insert(lines.end(), got.begin(), got.end());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(splitter.finish(), "fourth");
    EXPECT_EQ(splitter.finish(), std::nullopt);
}

std::vector<std::string> feedBlocks(const std::string& text) {
    ProgressReader reader;
    LineSplitter splitter;
    std::vector<std::string> out;
    for (const auto& line : splitter.feed(text)) {
        if (const auto update = reader.feedLine(line)) {
            out.push_back(formatProgressLine(*update));
        }
    }
    return out;
}

TEST(ProgressFormatter, VideoBlocksGiveEightTokensBeforeTime) {
    const auto lines =
        feedBlocks("frame=148\nfps=29.70\nstream_0_0_q=29.0\nstream_0_1_q=2.0\nbitrate=   0.1kbits/s\n"
                   "total_size=262144\nout_time_us=4900000\nout_time_ms=4900000\n"
                   "out_time=00:00:04.900000\ndup_frames=1\ndrop_frames=0\nspeed=9.65x\n"
                   "progress=continue\n"
                   "frame=600\nfps=275.00\nstream_0_0_q=-1.0\nbitrate= 310.5kbits/s\n"
                   "total_size=776761\nout_time_us=20010667\nprogress=end\n");
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], "frame= 148 fps= 30 q= 29.0 size= 256kB time=4.90 bitrate= 0.1kbits/s\n");
    EXPECT_EQ(lines[1], "frame= 600 fps= 275 q= -1.0 size= 759kB time=20.01 bitrate= 310.5kbits/s\n");
}

TEST(ProgressFormatter, AudioBlocksGiveTwoTokensBeforeTime) {
    const auto lines = feedBlocks("bitrate=N/A\ntotal_size=253\nout_time_us=0\nout_time=00:00:00.000000\n"
                                  "speed=N/A\nprogress=continue\n"
                                  "bitrate=N/A\ntotal_size=N/A\nout_time_us=N/A\nprogress=continue\n"
                                  "bitrate=N/A\ntotal_size=1120801\nout_time_us=70009229\nprogress=end\n");
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], "size= 0kB time=0.00 bitrate= 0.0kbits/s\n");
    EXPECT_EQ(lines[1], "size= 0kB time=0.00 bitrate= 0.0kbits/s\n");
    // Without a rate from FFmpeg it follows from size and time.
    EXPECT_EQ(lines[2], "size= 1095kB time=70.01 bitrate= 128.1kbits/s\n");
}

TEST(ProgressFormatter, NegativeStartTimesCountAsZero) {
    const auto lines = feedBlocks("frame=0\nfps=0.00\nstream_0_0_q=0.0\nbitrate=N/A\ntotal_size=0\n"
                                  "out_time_us=-23220\nprogress=continue\n");
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0], "frame= 0 fps= 0 q= 0.0 size= 0kB time=0.00 bitrate= 0.0kbits/s\n");
}

TEST(CommandText, QuotesOnlyWhatAShellWouldChange) {
    EXPECT_EQ(shellQuote("-c:v"), "-c:v");
    EXPECT_EQ(shellQuote("file:/out/clip_xvid_mp3.avi"), "file:/out/clip_xvid_mp3.avi");
    EXPECT_EQ(shellQuote("0:V:0?"), "'0:V:0?'");
    EXPECT_EQ(shellQuote(""), "''");
    EXPECT_EQ(shellQuote("my clip.avi"), "'my clip.avi'");
    EXPECT_EQ(shellQuote("it's $HOME"), "'it'\\''s $HOME'");
    EXPECT_EQ(shellCommandLine({"ffmpeg", "-metadata", "title=A B", "-y", "file:o.avi"}),
              "ffmpeg -metadata 'title=A B' -y file:o.avi");
}

TEST(RunOutcome, OnlyFinishedOrStoppedRunsKeepTheirFile) {
    using Kind = platform::ExitStatus::Kind;
    struct Case {
        const char* name;
        platform::ExitStatus status;
        bool stop;
        bool interrupt;
        int abort;
        long long bytes;
        bool keep;
        int exitCode;
    };
    for (const auto& c : std::vector<Case>{
             {"finished", {Kind::Exited, 0, false}, false, false, 0, 1000, true, 0},
             {"stopped by q", {Kind::Exited, 0, false}, true, false, 0, 1000, true, 0},
             {"stopped by an interrupt", {Kind::Exited, 255, false}, true, true, 0, 1000, true, 0},
             {"255 without our interrupt", {Kind::Exited, 255, false}, true, false, 0, 1000, false, 255},
             {"failed", {Kind::Exited, 1, false}, false, false, 0, 1000, false, 1},
             {"killed", {Kind::Signalled, SIGKILL, false}, false, false, 0, 1000, false, 1},
             {"crashed", {Kind::Signalled, SIGSEGV, true}, false, false, 0, 1000, false, 1},
             {"finished without data", {Kind::Exited, 0, false}, false, false, 0, 0, false, 1},
             {"output missing", {Kind::Exited, 0, false}, false, false, 0, -1, false, 1},
             {"converter terminated",
              {Kind::Signalled, SIGKILL, false},
              false,
              false,
              SIGTERM,
              1000,
              false,
              143},
         }) {
        for (const bool discard : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (discard ? ", stopped runs discarded" : ""));
            RunFacts facts;
            facts.status = c.status;
            facts.stopRequested = c.stop;
            facts.interruptSent = c.interrupt;
            facts.abortSignal = c.abort;
            facts.outputBytes = c.bytes;
            facts.discardOnStop = discard;
            const RunVerdict verdict = judgeRun(facts, "/o/x.avi");
            // Asked to discard, a stop that reached FFmpeg keeps nothing, whatever FFmpeg did with it.
            const bool discarded = discard && c.abort == 0 && (c.stop || c.interrupt);
            EXPECT_EQ(verdict.keepOutput, c.keep && !discarded);
            EXPECT_EQ(verdict.exitCode, discarded ? kStoppedExit : c.exitCode);
            EXPECT_EQ(verdict.message.empty(), c.keep && !c.stop);
        }
    }
}

TEST(InfoLine, WholeSecondsAndFlags) {
    media::MediaFacts clip;
    clip.duration = 59.6;
    clip.hasVideo = 1;
    clip.hasAudio = 1;
    clip.width = 320;
    clip.height = 240;
    EXPECT_EQ(formatInfoLine(clip), "Duration:59 Width:320 Height:240 Video:1 Audio:1");
    media::MediaFacts beep;
    beep.duration = 0.4;
    beep.hasAudio = 1;
    EXPECT_EQ(formatInfoLine(beep), "Duration:1 Width:0 Height:0 Video:0 Audio:1");
    media::MediaFacts still;
    still.hasVideo = 1;
    still.width = 64;
    still.height = 48;
    still.still = true;
    EXPECT_EQ(formatInfoLine(still), "Duration:0 Width:64 Height:48 Video:1 Audio:0");
    EXPECT_EQ(formatInfoLine({}), "Duration:0 Width:0 Height:0 Video:0 Audio:0");
    // Lengths no counter holds.
    media::MediaFacts odd;
    odd.duration = std::numeric_limits<double>::infinity();
    EXPECT_EQ(formatInfoLine(odd), "Duration:2147483647 Width:0 Height:0 Video:0 Audio:0");
    odd.duration = std::nan("");
    EXPECT_EQ(formatInfoLine(odd), "Duration:0 Width:0 Height:0 Video:0 Audio:0");
    odd.duration = -5.0;
    EXPECT_EQ(formatInfoLine(odd), "Duration:0 Width:0 Height:0 Video:0 Audio:0");
}

TEST(TemporaryName, SameFolderAndExtension) {
    EXPECT_EQ(temporaryOutputName("/o/clip_xvid_mp3.avi", "Ab12"), "/o/clip_xvid_mp3.vec-part-Ab12.avi");
    EXPECT_EQ(temporaryOutputName("clip.3gp", "x"), "clip.vec-part-x.3gp");
    EXPECT_EQ(temporaryOutputName("/o.d/clip", "x"), "/o.d/clip.vec-part-x");
    EXPECT_EQ(temporaryOutputName("/o/.hidden", "x"), "/o/.hidden.vec-part-x");
    // A name near the file system's limit keeps its extension; the stem gives way, whole characters only.
    EXPECT_EQ(temporaryOutputName("/o/" + std::string(250, 'n') + ".mp3", "x"),
              "/o/" + std::string(240, 'n') + ".vec-part-x.mp3");
    const std::string longStem = std::string(239, 'n') + "\xC3\xA9" + std::string(10, 'n');
    EXPECT_EQ(temporaryOutputName("/o/" + longStem + ".mp3", "x"),
              "/o/" + std::string(239, 'n') + ".vec-part-x.mp3");
}

TEST(CodecSupport, AnswersFromTheLibraries) {
    EXPECT_EQ(muxerFor("", "/o/a.3gp"), "3gp");
    EXPECT_EQ(muxerFor("", "a.wmv"), "asf");
    EXPECT_EQ(muxerFor("psp", "a.mp4"), "psp");
    EXPECT_EQ(muxerFor("nonsense", "a.mp4"), "");
    EXPECT_EQ(resolveEncoder("h264", MediaKind::Video), "libx264");
    EXPECT_EQ(resolveEncoder("libfaac", MediaKind::Audio), "");
    EXPECT_EQ(resolveEncoder("mp3", MediaKind::Video), "");
    EXPECT_EQ(defaultEncoder("avi", MediaKind::Video), "mpeg4");
    EXPECT_EQ(defaultEncoder("3gp", MediaKind::Audio), ""); // AMR, which Debian's build cannot write
    EXPECT_EQ(defaultCodec("3gp", MediaKind::Audio), "amr_nb");
    EXPECT_EQ(muxerAccepts("mp4", "h263"), 0);
    EXPECT_EQ(muxerAccepts("3gp", "libx264"), 1);
    EXPECT_EQ(aviTagMatches("xvid", "libxvid"), 1);
    EXPECT_EQ(aviTagMatches("divx", "mpeg4"), 1);
    EXPECT_EQ(aviTagMatches("MP43", "msmpeg4"), 1);
    EXPECT_EQ(aviTagMatches("MP43", "mpeg4"), 0);
    EXPECT_EQ(aviTagMatches("ABCD", "mpeg4"), -1);
    EXPECT_EQ(encoderMaxChannels("libmp3lame"), 2);
    EXPECT_EQ(encoderMaxBitrate("libvorbis", 8000, 2), 84000.0);
    EXPECT_EQ(encoderMaxBitrate("libvorbis", 11025, 1), 50000.0);
    EXPECT_EQ(encoderMaxBitrate("libvorbis", 48000, 2), 480000.0);
    EXPECT_EQ(encoderMaxBitrate("libvorbis", 0, 2), 0.0);
    EXPECT_EQ(encoderMaxBitrate("libmp3lame", 8000, 2), 0.0);
    EXPECT_TRUE(codecFlagKnown("flags", "aic"));
    EXPECT_FALSE(codecFlagKnown("flags", "trell"));
    EXPECT_FALSE(codecFlagKnown("flags2", "mixed_refs"));
}

TEST(RunVerdict, AFileWithoutAFrameOrASampleIsNeverKept) {
    struct Case {
        const char* name;
        bool progressSeen;
        bool mediaWritten;
        bool stop;
        bool keep;
    };
    for (const auto& c : std::vector<Case>{
             {"cut past the end", true, false, false, false},
             {"stopped before the first frame", true, false, true, false},
             {"frames written", true, true, false, true},
             {"no progress report to judge by", false, false, false, true},
         }) {
        SCOPED_TRACE(c.name);
        RunFacts facts;
        facts.status = {platform::ExitStatus::Kind::Exited, 0, false};
        facts.stopRequested = c.stop;
        facts.outputBytes = 600; // a container's header alone
        facts.progressSeen = c.progressSeen;
        facts.mediaWritten = c.mediaWritten;
        const RunVerdict verdict = judgeRun(facts, "/o/x.mp4");
        EXPECT_EQ(verdict.keepOutput, c.keep);
        EXPECT_EQ(verdict.exitCode, c.keep ? 0 : 1);
        if (!c.keep) {
            EXPECT_NE(verdict.message.find("no video frame and no audio sample"), std::string::npos);
        }
    }
}

TEST(RunVerdict, AnEmptyOutputIsExplainedByTheFactsOnly) {
    struct Case {
        double cutStart;
        double sourceLength; // 0: not known
        const char* says;    // empty: nothing after the verdict
    };
    for (const auto& c : std::vector<Case>{
             {12.0, 10.0, ": the cut starts at 12.000 s, at or after the end of the 10.000 s source;"},
             {10.0, 10.0, ": the cut starts at 10.000 s, at or after the end of the 10.000 s source;"},
             {5.0, 0.0, " (does the cut start at or after the end of the source?);"},
             {0.0, 0.010,
              ": the source lasts only 0.010 s, too short for one frame of the target's encoder;"},
             {9.9, 10.0, ": the cut holds only 0.100 s, too short for one frame of the target's encoder;"},
             {0.0, 0.0, "; nothing was written"},
             {0.0, 60.0, "; nothing was written"},
             {2.0, 60.0, "; nothing was written"},
         }) {
        SCOPED_TRACE(std::to_string(c.cutStart) + " of " + std::to_string(c.sourceLength));
        RunFacts facts;
        facts.status = {platform::ExitStatus::Kind::Exited, 0, false};
        facts.outputBytes = 600;
        facts.progressSeen = true;
        facts.cutStart = c.cutStart;
        facts.sourceLength = c.sourceLength;
        const RunVerdict verdict = judgeRun(facts, "/o/x.wma");
        EXPECT_EQ(
            verdict.message.rfind("ffmpeg wrote no video frame and no audio sample" + std::string(c.says), 0),
            0u)
            << verdict.message;
    }
}

// Packets of the source that do not decode: FFmpeg writes what did (exiting 69 when more than two thirds
// failed); that file is kept with a line on what is missing, and a source of which nothing decodes fails
// saying so.
TEST(RunVerdict, DamagedSourcesKeepWhatDecodedAndSayHowMuchDidNot) {
    using Kind = platform::ExitStatus::Kind;
    struct Case {
        int exit;
        int sound, picture; // packets lost
        bool written;
        bool keep;
        const char* says;
    };
    for (const auto& c : std::vector<Case>{
             {69, 1210, 0, true, true,
              "1210 packets of the source's sound could not be decoded (the source states 20.000 s); "
              "\"/o/x.mp3\" holds the 8.240 s that could be decoded"},
             {0, 1, 0, true, true, "1 packet of the source's sound could not be decoded"},
             {0, 3, 4, true, true, "7 packets of the source's sound and picture could not be decoded"},
             {69, 6215, 0, false, false,
              "the source's sound cannot be decoded (6215 packets did not decode)"},
             {69, 0, 40, false, false, "the source's picture cannot be decoded (40 packets did not decode)"},
             {1, 24, 0, false, false, "the source's sound cannot be decoded (24 packets did not decode)"},
             // Exit 69 with nothing counted is no judgement on the source.
             {69, 0, 0, true, false, "ffmpeg failed with"},
         }) {
        SCOPED_TRACE(c.says);
        RunFacts facts;
        facts.status = {Kind::Exited, c.exit, false};
        facts.outputBytes = 5000;
        facts.progressSeen = true;
        facts.mediaWritten = c.written;
        facts.soundPacketsLost = c.sound;
        facts.picturePacketsLost = c.picture;
        facts.sourceLength = 20.0;
        facts.writtenSeconds = c.written ? 8.24 : 0.0;
        const RunVerdict verdict = judgeRun(facts, "/o/x.mp3");
        EXPECT_EQ(verdict.keepOutput, c.keep);
        EXPECT_EQ(verdict.exitCode, c.keep ? 0 : c.exit == 69 && (c.sound + c.picture) == 0 ? 69 : 1);
        EXPECT_EQ(verdict.message.rfind(c.says, 0), 0u) << verdict.message;
    }
}

} // namespace
} // namespace morvane::converter
