#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "converter/old_arguments.h"
#include "converter/script_reader.h"
#include "platform/expected.h"

namespace morvane::converter {

// What the converter knows of its input before it runs FFmpeg (from the media detector).
struct SourceFacts {
    bool known = false; // false: nothing is assumed about the streams
    bool hasVideo = false;
    bool hasAudio = false;
    bool still = false;
    int width = 0;
    int height = 0;
    double sampleRate = 0.0;
    int channels = 0;
    double duration = 0.0;      // seconds
    double displayAspect = 0.0; // the picture's shape as shown (width ÷ height); 0 when unknown
    bool lengthGuessed = false; // the duration is a guess from the bit rate: the file may last longer
};

// What the detector's facts leave out: read from the file only when a choice depends on it.
struct StreamFacts {
    bool interlaced = false; // the picture is stored as fields
    // Where the tags are when the container holds none: 'a' with the first sound stream, 'v' with the
    // first picture stream, 0 in the container (or nowhere).
    char tagStream = 0;
    int audioStream = -1; // the index of the first sound stream
    int videoStream = -1; // the index of the first picture stream that is no cover
};

struct TranslationRequest {
    OldCommand command;                 // the old command, parsed
    std::optional<ScriptSource> script; // set when the input is a frame-server script
    std::string outputPath;             // the file the user asked for; its extension picks the container
    std::string writePath;              // where FFmpeg writes (a temporary name beside outputPath)
    bool unnamedWrite = false;          // writePath carries no name: the container must be named
    SourceFacts source;                 // what is known of the input without asking
    std::function<SourceFacts()> probe; // asked once, only when a choice depends on the input
    std::function<StreamFacts()> streamProbe; // likewise
    bool seekOnOutput = false;                // cut by decoding from the start: the input cannot seek
};

struct Translation {
    std::vector<std::string> arguments; // FFmpeg's arguments after the program name
    std::vector<std::string> notes;     // one diagnostic line per dropped or changed piece
    bool videoOut = false;              // the output gets a video stream (when the source has one)
    bool seeksInput = false;            // the start of the cut is sought on the input
    double cutStart = 0.0;              // where the cut starts in the source, in seconds (0: its start)
    std::string muxer;                  // the container written; empty when FFmpeg picks it by name
};

// The fixed start of every FFmpeg argument vector: no banner, no interactive statistics, warnings and
// errors only, machine-readable progress on standard output.
const std::vector<std::string>& ffmpegPreamble();

// Translates an old-dialect conversion into FFmpeg 5.1 arguments so that the file comes out as the
// old converter made it, with the device targets' constraints kept; a failure says why nothing may run.
platform::Expected<Translation> translateCommand(const TranslationRequest& request);

// "file:" before a path, so FFmpeg reads any name (a leading dash, a colon) as a file.
std::string fileUrl(const std::string& path);

} // namespace morvane::converter
