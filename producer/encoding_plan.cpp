#include "producer/encoding_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

namespace morvane::producer {

namespace {

// Darkest luma that stays above black: everything up to it becomes black, the rest is spread out
// again over the video range.
constexpr int kBlackThreshold = 20;

int roundToMultiple(double value, int multiple) {
    const int rounded = static_cast<int>(std::lround(value / multiple)) * multiple;
    return std::max(rounded, multiple);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string result(text);
    // "2.500" -> "2.5", "4.000" -> "4"
    while (result.back() == '0') {
        result.pop_back();
    }
    if (result.back() == '.') {
        result.pop_back();
    }
    return result;
}

std::string kbps(int value) {
    return std::to_string(value) + "k";
}

// The finest quantiser a quality setting allows: 100 % gives 2, every 4 % less one step coarser.
int qualityQuantiser(int quality) {
    return std::clamp(2 + (100 - std::clamp(quality, 1, 100)) / 4, 2, 31);
}

} // namespace

std::string fitPictureFilters(const SourceFacts& source, FrameSize frame) {
    const std::string size = std::to_string(frame.width) + ":" + std::to_string(frame.height);
    const double frameAspect = static_cast<double>(frame.width) / frame.height;
    const double shown = source.width > 0 && source.height > 0 && source.sampleAspect > 0.0
                             ? source.width * source.sampleAspect / source.height
                             : frameAspect;
    if (std::abs(shown / frameAspect - 1.0) <= 0.01) {
        return "scale=" + size + ",setsar=1";
    }
    // The whole picture at its own shape, bars above and below or left and right; sides stay even for
    // the 4:2:0 planes.
    const auto even = [](double value) {
        return std::max(2, 2 * static_cast<int>(std::lround(value / 2.0)));
    };
    const int width = shown > frameAspect ? frame.width : std::min(frame.width, even(frame.height * shown));
    const int height = shown > frameAspect ? std::min(frame.height, even(frame.width / shown)) : frame.height;
    return "scale=" + std::to_string(width) + ":" + std::to_string(height) + ",setsar=1,pad=" + size + ":" +
           std::to_string((frame.width - width) / 2 / 2 * 2) + ":" +
           std::to_string((frame.height - height) / 2 / 2 * 2) + ":color=black";
}

namespace {

platform::Expected<void> addVideoArguments(const PlanRequest& request, const VideoStreamSettings& video,
                                           const CodecSettings& codecs, EncodingPlan& plan) {
    plan.size = outputFrameSize(request.width, request.height, request.source, codecs);
    plan.frameRate = outputFrameRate(request.source, video.maxFrameRate, request.videoMode);
    if (plan.frameRate == 0) {
        return platform::Failure{"unknown video mode \"" + request.videoMode + "\""};
    }
    const double keyInterval = video.maxKeyFrameInterval > 0.0 ? video.maxKeyFrameInterval : 10.0;
    plan.keyFrameInterval = std::max(1, static_cast<int>(std::lround(keyInterval * plan.frameRate)));
    plan.videoKbps = std::max(video.bitrateKbps, 1);

    // The fps filter, not only -r: -r alone pads the end with duplicated frames.
    // Pictures stored as fields are woven into whole frames first: RealMedia is progressive.
    std::string filters = std::string(request.source.interlaced ? "yadif=deint=interlaced," : "") +
                          "fps=" + std::to_string(plan.frameRate) + "," +
                          fitPictureFilters(request.source, plan.size) + ",format=yuv420p";
    if (request.blackLevel) {
        const int t = kBlackThreshold;
        filters +=
            ",lutyuv=y='clip(16+(val-" + std::to_string(t) + ")*219/" + std::to_string(235 - t) + ",16,255)'";
    }
    auto& args = plan.arguments;
    args.insert(args.end(), {"-map", "0:" + std::to_string(request.source.videoStream), "-c:v",
                             codecs.videoEncoder, "-vf", filters, "-r", std::to_string(plan.frameRate), "-g",
                             std::to_string(plan.keyFrameInterval)});

    // The buffer a player fills before it starts also bounds one frame, which must fit one packet.
    const double latency = video.maxStartupLatency > 0.0 ? video.maxStartupLatency : 4.0;
    const auto buffer = [&](int peakKbps) {
        const double kbits = std::min<double>(peakKbps * latency, codecs.maxFrameKbits);
        return std::max(1, static_cast<int>(kbits));
    };
    switch (video.rateControl) {
    case RateControl::Constant:
        args.insert(args.end(), {"-b:v", kbps(plan.videoKbps), "-maxrate", kbps(plan.videoKbps), "-bufsize",
                                 kbps(buffer(plan.videoKbps))});
        break;
    case RateControl::Variable:
        args.insert(args.end(), {"-b:v", kbps(plan.videoKbps), "-maxrate", kbps(2 * plan.videoKbps),
                                 "-bufsize", kbps(buffer(2 * plan.videoKbps))});
        break;
    case RateControl::Quality:
        args.insert(args.end(),
                    {"-qmin", std::to_string(qualityQuantiser(video.quality)), "-b:v", kbps(plan.videoKbps),
                     "-maxrate", kbps(plan.videoKbps), "-bufsize", kbps(buffer(plan.videoKbps))});
        break;
    }
    if (video.complexity == "medium") {
        args.insert(args.end(), {"-mbd", "bits"});
    } else if (video.complexity == "high") {
        args.insert(args.end(), {"-mbd", "rd", "-trellis", "1"});
    } else if (video.complexity != "low") {
        return platform::Failure{"unknown encoding complexity \"" + video.complexity + "\""};
    }
    plan.video = true;
    return {};
}

platform::Expected<void> addAudioArguments(const PlanRequest& request, const AudioStreamSettings& audio,
                                           const CodecSettings& codecs, EncodingPlan& plan) {
    if (request.audioMode != "music" && request.audioMode != "voice") {
        return platform::Failure{"unknown audio mode \"" + request.audioMode + "\""};
    }
    const bool voice = request.audioMode == "voice";
    plan.channels =
        outputChannels(request.source.channels, audio.channels, request.audioMode, codecs.maxAudioChannels);
    plan.sampleRate =
        voice ? codecs.sampleRates.front()
              : outputSampleRate(request.source.sampleRate, audio.maxSampleRate, codecs.sampleRates);
    plan.audioKbps = std::max(audio.bitrateKbps, codecs.minAudioKbps);
    auto& args = plan.arguments;
    args.insert(args.end(), {"-map", "0:" + std::to_string(request.source.audioStream), "-c:a",
                             codecs.audioEncoder, "-b:a", kbps(plan.audioKbps), "-ar",
                             std::to_string(plan.sampleRate), "-ac", std::to_string(plan.channels)});
    if (plan.channels < request.source.channels) {
        // Each channel the mean of those mixed into it: a sound alike in both keeps its level.
        args.insert(args.end(), {"-rematrix_maxval", "1.0"});
    }
    // Samples beyond full scale (a gain, or a damaged packet that decodes to noise) are held there: the
    // AC-3 encoder would write frames that do not decode.
    args.insert(args.end(),
                {"-af", (request.gainDb ? "volume=" + number(*request.gainDb) + "dB," : std::string()) +
                            "asoftclip=type=hard"});
    plan.audio = true;
    return {};
}

} // namespace

FrameSize outputFrameSize(unsigned width, unsigned height, const SourceFacts& source,
                          const CodecSettings& codecs) {
    const int multiple = std::max(codecs.sizeMultiple, 1);
    const bool known = source.width > 0 && source.height > 0;
    const double displayWidth = known ? source.width * source.sampleAspect : 320.0;
    const double displayHeight = known ? source.height : 240.0;
    const double aspect = displayWidth / displayHeight;

    double w = width;
    double h = height;
    if (width == 0 && height == 0) {
        w = displayWidth;
        h = displayHeight;
    } else if (height == 0) {
        h = w / aspect;
    } else if (width == 0) {
        w = h * aspect;
    }
    const double pixels = w * h;
    if (codecs.maxPixels > 0 && pixels > codecs.maxPixels) {
        const double scale = std::sqrt(codecs.maxPixels / pixels);
        w *= scale;
        h *= scale;
    }
    FrameSize size{roundToMultiple(w, multiple), roundToMultiple(h, multiple)};
    while (codecs.maxPixels > 0 && static_cast<long long>(size.width) * size.height > codecs.maxPixels &&
           (size.width > multiple || size.height > multiple)) {
        if (size.width >= size.height) {
            size.width -= multiple;
        } else {
            size.height -= multiple;
        }
    }
    return size;
}

int outputFrameRate(const SourceFacts& source, double maxFrameRate, const std::string& videoMode) {
    int rate = source.frameRate > 0.0 ? static_cast<int>(std::lround(source.frameRate)) : 25;
    rate = std::clamp(rate, 1, 120);
    if (maxFrameRate > 0.0) {
        rate = std::min(rate, std::max(1, static_cast<int>(std::floor(maxFrameRate + 1e-6))));
    }
    if (videoMode == "normal" || videoMode == "smooth") {
        return rate;
    }
    if (videoMode == "sharp") {
        return std::max(1, rate / 2);
    }
    if (videoMode == "slideshow") {
        return 1;
    }
    return 0;
}

int outputSampleRate(int sourceRate, int maxSampleRate, const std::vector<int>& codecRates) {
    if (codecRates.empty()) {
        return sourceRate;
    }
    std::vector<int> allowed;
    std::copy_if(codecRates.begin(), codecRates.end(), std::back_inserter(allowed),
                 [&](int rate) { return maxSampleRate <= 0 || rate <= maxSampleRate; });
    if (allowed.empty()) {
        return codecRates.front();
    }
    const auto above = std::lower_bound(allowed.begin(), allowed.end(), sourceRate);
    return above != allowed.end() ? *above : allowed.back();
}

int outputChannels(int sourceChannels, ChannelChoice choice, const std::string& audioMode,
                   int codecMaxChannels) {
    const int source = std::max(sourceChannels, 1);
    if (audioMode == "voice" || choice == ChannelChoice::Mono) {
        return 1;
    }
    if (choice == ChannelChoice::Stereo) {
        return std::min(source, 2);
    }
    return std::min(source, std::max(codecMaxChannels, 1));
}

platform::Expected<EncodingPlan> buildEncodingPlan(const PlanRequest& request,
                                                   const LibrarySettings& settings) {
    EncodingPlan plan;
    const SourceFacts& source = request.source;
    const bool video = source.hasVideo && request.video.has_value();
    const bool audio = source.hasAudio && request.audio.has_value();
    if (!video && !audio) {
        return platform::Failure{source.hasVideo ? "the audience has no stream for the source's video"
                                                 : "the audience has no stream for the source's audio"};
    }
    if (request.startTime < 0.0 || (request.endTime > 0.0 && request.endTime <= request.startTime)) {
        return platform::Failure{"the cut range is empty"};
    }
    if (source.duration > 0.0 && request.startTime >= source.duration) {
        return platform::Failure{"the cut starts after the end of the source"};
    }
    const double end = request.endTime > 0.0 && (source.duration <= 0.0 || request.endTime < source.duration)
                           ? request.endTime
                           : source.duration;
    plan.duration = end > request.startTime ? end - request.startTime : 0.0;

    auto& args = plan.arguments;
    args = {"-nostdin", "-hide_banner",  "-loglevel",
            "error",    "-nostats",      "-progress",
            "pipe:1",   "-stats_period", number(settings.progressPeriod),
            "-y"};
    if (request.startTime > 0.0) {
        // Before the input: as exact as after it when re-encoding, without decoding the skipped part.
        args.insert(args.end(), {"-ss", number(request.startTime)});
    }
    // "file:" keeps names with a colon from naming a protocol.
    args.insert(args.end(), {"-i", "file:" + request.sourcePath});
    if (request.endTime > 0.0) {
        args.insert(args.end(), {"-t", number(request.endTime - request.startTime)});
    }
    if (auto added = video ? addVideoArguments(request, *request.video, settings.codecs, plan)
                           : platform::Expected<void>();
        !added) {
        return added.failure();
    }
    if (auto added = audio ? addAudioArguments(request, *request.audio, settings.codecs, plan)
                           : platform::Expected<void>();
        !added) {
        return added.failure();
    }
    // RealMedia keeps a title, an author, a copyright and a comment; the author is the artist of files
    // that name one.
    for (const auto& [key, from] :
         {std::pair{"title", "title"}, std::pair{"author", "author"}, std::pair{"author", "artist"},
          std::pair{"copyright", "copyright"}, std::pair{"comment", "comment"}}) {
        const auto tag = source.tags.find(from);
        const bool taken = std::string_view(from) == "artist" && source.tags.count("author") != 0;
        if (tag != source.tags.end() && !tag->second.empty() && !taken) {
            args.insert(args.end(), {"-metadata", std::string(key) + "=" + tag->second});
        }
    }
    args.insert(args.end(), {"-f", "rm", "file:" + request.writePath});
    return plan;
}

} // namespace morvane::producer
