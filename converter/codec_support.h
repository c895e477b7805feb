#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane::converter {

// What the linked FFmpeg libraries can do, asked of their own tables (no process, no file access).

enum class MediaKind { Video, Audio };

// The muxer FFmpeg picks for an output: the format name when given, else the one the file name's
// extension selects. Empty when none fits.
std::string muxerFor(std::string_view format, std::string_view fileName);

// The encoder FFmpeg uses for `name`: an encoder of that name, else the first encoder of the codec
// of that name ("h264" is libx264). Empty when there is none of that kind.
std::string resolveEncoder(std::string_view name, MediaKind kind);

// The encoder FFmpeg picks for the muxer when none is named; empty when the muxer has no default of
// that kind or the build lacks its encoder.
std::string defaultEncoder(std::string_view muxer, MediaKind kind);

// The codec the muxer stores when none is named ("h263" for 3GP), even without an encoder for it;
// empty when the muxer takes no stream of that kind.
std::string defaultCodec(std::string_view muxer, MediaKind kind);

// Whether the muxer can store what the encoder makes: 1 yes, 0 no, -1 the muxer does not say.
int muxerAccepts(std::string_view muxer, std::string_view encoder);

// The codec name behind an encoder ("libx264" gives "h264"); empty when unknown.
std::string codecOfEncoder(std::string_view encoder);

// Sample rates the encoder takes; empty when it takes any.
std::vector<int> encoderSampleRates(std::string_view encoder);

// The largest channel count the encoder takes; 0 when it does not say.
int encoderMaxChannels(std::string_view encoder);

// The highest bit rate, in bits per second, the encoder takes for `channels` channels at `sampleRate` Hz;
// 0 when it sets no such limit (or the rate is unknown).
double encoderMaxBitrate(std::string_view encoder, int sampleRate, int channels);

// Whether a FourCC written into an AVI header stands for the codec the encoder makes: 1 yes, 0 no,
// -1 a FourCC this converter does not know (FFmpeg decides).
int aviTagMatches(std::string_view tag, std::string_view encoder);

// Whether `name` is a flag the generic codec option `option` ("flags" or "flags2") still knows.
bool codecFlagKnown(std::string_view option, std::string_view name);

} // namespace morvane::converter
