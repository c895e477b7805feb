#pragma once

// Whether this system's FFmpeg can write what a profile asks for: FFmpeg is asked once for its
// encoders and muxers (the lists are kept in a cache file under FFmpeg's version line and the version
// of its program file, so a new FFmpeg is asked again), and a profile whose container or codec it lacks is
// named with the missing piece instead of failing when its turn comes.

#include <set>
#include <string>
#include <string_view>

#include "platform/expected.h"
#include "profiles/profile.h"

namespace morvane::engine {

struct FfmpegAbilities {
    std::string version; // the first line of "ffmpeg -version"
    std::set<std::string, std::less<>> encoders;
    std::set<std::string, std::less<>> muxers;
    std::string program = {}; // which program file answered, as programStamp() gives it
};

// The names in "ffmpeg -encoders" and "ffmpeg -muxers" listings (after their legends).
std::set<std::string, std::less<>> parseEncoderList(std::string_view text);
std::set<std::string, std::less<>> parseMuxerList(std::string_view text);

// Asks `ffmpeg` (a path, or a name looked up in PATH) for its version, and for its lists unless
// `cacheFile` holds them under the same version; the cache is rewritten after asking. While the
// program file is the very one that answered before, the cache answers without running it (a batch
// would otherwise wait for FFmpeg to start once more). A failure says why (FFmpeg missing or not
// answering).
platform::Expected<FfmpegAbilities> askFfmpegAbilities(const std::string& ffmpeg,
                                                       const std::string& cacheFile);

// The container (FFmpeg's muxer name) the converter writes for the profile: what its target's recipe
// names with "-f" or "-target", else what the output's extension selects; on the general path the
// profile's "f" option or its ExtName. The Format key is only the Target text and the RealMedia
// switch, so a short name there ("mpg", "aac") needs nothing. Empty when the extension is not one
// this check knows (the converter judges those).
std::string containerWritten(const profiles::Profile& profile);

// What the profile needs that FFmpeg lacks, as words for a message ("FFmpeg on this system has no
// encoder libx264 (H.264)"), or empty when it has everything. Codec values this check does not know are left
// to the converter to judge. RealMedia profiles need the rm container (the producer writes it through
// FFmpeg).
std::string missingPiece(const profiles::Profile& profile, const FfmpegAbilities& abilities);

// The program file `ffmpeg` names, with its version (device, inode, size, change times) in front;
// empty when there is none.
std::string programStamp(const std::string& ffmpeg);

// The cache file's text for `abilities`, and the abilities read back from such a text.
std::string abilitiesCacheText(const FfmpegAbilities& abilities);
FfmpegAbilities abilitiesFromCacheText(std::string_view text);

} // namespace morvane::engine
