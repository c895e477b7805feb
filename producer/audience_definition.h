#pragma once

#include <string>
#include <vector>

#include "platform/expected.h"
#include "producer/key_value_file.h"
#include "realmedia/producer_bindings.h"

namespace morvane::producer {

using realmedia::Status;

enum class RateControl {
    Constant, // the bit rate is held within a short buffer (streaming)
    Variable, // the bit rate is an average; peaks up to twice that
    Quality,  // as fine as the quality setting allows, capped by the bit rate
};

enum class ChannelChoice {
    Mono,
    Stereo,
    Source, // the source's channels, as many as the audio codec takes
};

// One audience file of the audiences folder: who the file is made for, as total bit rate and its
// shares, the frame-rate cap and the audio choice.
struct AudienceDefinition {
    std::string name;
    int totalKbps = 0;
    int videoShare = 0;        // percent of the total; 0: no video stream
    int audioShare = 0;        // percent of the total; 0: no audio stream
    double maxFrameRate = 0.0; // 0: the source's rate
    RateControl rateControl = RateControl::Constant;
    int quality = 0; // percent; RateControl::Quality only
    ChannelChoice channels = ChannelChoice::Stereo;
    int maxSampleRate = 48000;

    int videoKbps() const { return totalKbps * videoShare / 100; }
    int audioKbps() const { return totalKbps * audioShare / 100; }
};

// Audience files end with this.
inline constexpr const char* kAudienceFileExtension = ".aud";

platform::Expected<AudienceDefinition> parseAudience(const KeyValueFile& file);

// Every audience file of `folder`, in byte-value order of the audience names (the audience numbers).
// Fails on a missing folder, an empty one, a malformed file or a name given twice.
platform::Expected<std::vector<AudienceDefinition>> loadAudiences(const std::string& folder);

const char* rateControlName(RateControl control);
const char* channelChoiceName(ChannelChoice choice);

} // namespace morvane::producer
