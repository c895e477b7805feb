#include "engine/conversion_job.h"

namespace morvane::engine {

void resetJobSettings(ConversionJob& job) {
    job.videoCodec.clear();
    job.title.clear();
    job.videoBitrate = kDefaultVideoBitrate;
    job.frameRate = kDefaultFrameRate;
    job.progressDuration = 0.0;
    job.aspect.clear();
    job.width = kDefaultWidth;
    job.height = kDefaultHeight;
    job.variant = 0;
    job.audioCodec.clear();
    job.audioBitrate = kDefaultAudioBitrate;
    job.sampleRate = kDefaultSampleRate;
    job.channels = kDefaultChannels;
    job.volume = kDefaultVolume;
    job.author.clear();
    job.album.clear();
    job.copyright.clear();
    job.comment.clear();
}

} // namespace morvane::engine
