#include "producer/source_probe.h"

#include <sys/stat.h>

#include <algorithm>

#include "media/media_detector.h"

namespace morvane::producer {

namespace {

// The facts of the streams the encoding takes (the first picture and the first sound).
SourceFacts sourceFactsOf(const media::MediaReading& reading) {
    SourceFacts facts;
    facts.formatName = reading.formatName.empty() ? "unknown" : reading.formatName;
    facts.still = reading.stillFormat;
    facts.videoStream = reading.streams.videoStream;
    facts.audioStream = reading.streams.audioStream;
    facts.hasVideo = facts.videoStream >= 0;
    facts.hasAudio = facts.audioStream >= 0;
    if (facts.hasVideo) {
        facts.width = reading.picture.width;
        facts.height = reading.picture.height;
        facts.sampleAspect = reading.picture.sampleAspect;
        facts.frameRate = reading.picture.frameRate;
        facts.interlaced = reading.streams.interlaced;
    }
    if (facts.hasAudio) {
        facts.sampleRate = reading.sound.sampleRate;
        facts.channels = reading.sound.channels;
    }
    facts.duration =
        std::max(facts.hasVideo ? reading.picture.length : 0.0, facts.hasAudio ? reading.sound.length : 0.0);
    facts.tags = reading.tags;
    return facts;
}

} // namespace

platform::Expected<SourceFacts> probeSource(const std::string& path) {
    struct stat info {};
    // stat, not open: opening a named pipe would block.
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return platform::Failure{"cannot find the source \"" + path + "\""};
    }
    if (!S_ISREG(info.st_mode) || info.st_size == 0) {
        return platform::Failure{"the source \"" + path + "\" is not a file with contents"};
    }
    media::MediaReading reading;
    const int status = media::readMedia(path, reading);
    if (status == media::kDetectListOfFiles) {
        return platform::Failure{"the source \"" + path +
                                 "\" is a playlist or a list of other files; only the one file is read, "
                                 "and it holds no media"};
    }
    if (status != media::kDetectOk) {
        return platform::Failure{(reading.opened ? "cannot read the streams of \"" + path + "\": "
                                                 : "cannot read the source \"" + path + "\": ") +
                                 media::describeDetectStatus(status)};
    }
    const SourceFacts facts = sourceFactsOf(reading);
    if (!facts.hasVideo && !facts.hasAudio && !reading.undecodable.empty()) {
        return platform::Failure{"the source's " + reading.undecodable + " cannot be decoded (\"" + path +
                                 "\")"};
    }
    if (!facts.hasVideo && !facts.hasAudio) {
        return platform::Failure{"the source \"" + path + "\" has neither video nor audio"};
    }
    return facts;
}

} // namespace morvane::producer
