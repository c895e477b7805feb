#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/unnamed_file.h"
#include "platform/work_files.h"
#include "producer/encoder_run.h"
#include "producer/encoding_plan.h"
#include "producer/objects.h"

namespace morvane::producer {

namespace rm = realmedia;
namespace fs = std::filesystem;

namespace {

// What one output file is made from, gathered from the job's objects.
struct OutputTarget {
    std::string path;
    PlanRequest request;
    std::string audienceName;
};

std::string textOf(rm::PropertySet& set, const char* name, const char* fallback) {
    const char* value = nullptr;
    return rm::succeeded(set.getString(name, &value)) && value != nullptr ? std::string(value)
                                                                          : std::string(fallback);
}

double numberOf(rm::PropertySet& set, const char* name, double fallback) {
    double real = 0.0;
    if (rm::succeeded(set.getDouble(name, &real))) {
        return real;
    }
    std::uint32_t whole = 0;
    if (rm::succeeded(set.getUnsigned(name, &whole))) {
        return whole;
    }
    return fallback;
}

std::uint32_t unsignedOf(rm::PropertySet& set, const char* name) {
    std::uint32_t value = 0;
    if (rm::succeeded(set.getUnsigned(name, &value))) {
        return value;
    }
    const double real = numberOf(set, name, 0.0);
    return real > 0.0 && real < 4.0e9 ? static_cast<std::uint32_t>(real) : 0;
}

bool readRateControl(const std::string& text, RateControl& control) {
    if (text == "cbr") {
        control = RateControl::Constant;
    } else if (text == "vbr") {
        control = RateControl::Variable;
    } else if (text == "quality") {
        control = RateControl::Quality;
    } else {
        return false;
    }
    return true;
}

bool readChannels(const std::string& text, ChannelChoice& choice) {
    if (text == "mono") {
        choice = ChannelChoice::Mono;
    } else if (text == "stereo") {
        choice = ChannelChoice::Stereo;
    } else if (text == "source") {
        choice = ChannelChoice::Source;
    } else {
        return false;
    }
    return true;
}

// The streams of the first audience; a RealMedia file here carries one rate only.
// Gives the audience's name.
platform::Expected<std::string> readAudience(rm::MediaProfile& media, PlanRequest& request) {
    std::uint32_t count = 0;
    if (rm::failed(media.getAudienceCount(&count)) || count == 0) {
        return failure(rm::kUnexpected, "the media profile has no audience");
    }
    if (count > 1) {
        logInfo("the media profile has " + std::to_string(count) +
                " audiences; one file holds one, so the first is encoded");
    }
    ObjectRef<rm::Audience> audience;
    if (const Status status = media.getAudience(0, audience.put()); rm::failed(status) || !audience) {
        return failure(rm::failed(status) ? status : rm::kPointer,
                       "cannot read the media profile's audience");
    }
    std::string audienceName = textOf(*audience, "name", "(unnamed)");
    std::uint32_t streams = 0;
    if (const Status status = audience->getStreamCount(&streams); rm::failed(status)) {
        return failure(status, "cannot count the audience's streams");
    }
    for (std::uint32_t i = 0; i < streams; ++i) {
        ObjectRef<rm::Stream> stream;
        if (const Status status = audience->getStream(i, stream.put()); rm::failed(status) || !stream) {
            return failure(rm::failed(status) ? status : rm::kPointer,
                           "cannot read stream " + std::to_string(i) + " of the audience");
        }
        const std::string type = textOf(*stream, rm::kPropPluginType, "");
        if (type == rm::kPluginTypeVideoStream && !request.video) {
            VideoStreamSettings video;
            video.bitrateKbps =
                static_cast<int>(std::min<std::uint32_t>(unsignedOf(*stream, "bitrate"), 1000000));
            video.maxFrameRate = numberOf(*stream, "maxFrameRate", 0.0);
            if (!readRateControl(textOf(*stream, "rateControl", "cbr"), video.rateControl)) {
                return failure(rm::kInvalidArgument, "the video stream has an unknown rate control");
            }
            video.quality = static_cast<int>(std::min<std::uint32_t>(unsignedOf(*stream, "quality"), 100));
            video.maxKeyFrameInterval = numberOf(*stream, rm::kPropMaxKeyFrameInterval, 10.0);
            video.maxStartupLatency = numberOf(*stream, rm::kPropMaxStartupLatency, 4.0);
            video.complexity = textOf(*stream, rm::kPropEncodingComplexity, "medium");
            request.video = video;
        } else if (type == rm::kPluginTypeAudioStream && !request.audio) {
            AudioStreamSettings audio;
            audio.bitrateKbps =
                static_cast<int>(std::min<std::uint32_t>(unsignedOf(*stream, "bitrate"), 100000));
            if (!readChannels(textOf(*stream, "channels", "stereo"), audio.channels)) {
                return failure(rm::kInvalidArgument, "the audio stream has an unknown channel choice");
            }
            audio.maxSampleRate =
                static_cast<int>(std::min<std::uint32_t>(unsignedOf(*stream, "maxSampleRate"), 192000));
            request.audio = audio;
        }
    }
    return audienceName;
}

// Checks a destination file name before anything is written.
platform::Expected<void> checkDestination(const std::string& path, const std::string& sourcePath) {
    if (path.empty()) {
        return failure(rm::kInvalidArgument, "the destination names no file");
    }
    std::error_code failed;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, failed)) {
        return failure(rm::kFileNotFound, "the output folder \"" + folder.string() + "\" does not exist");
    }
    if (fs::is_directory(target, failed)) {
        return failure(rm::kInvalidArgument, "the destination \"" + path + "\" is a folder");
    }
    if (fs::exists(target, failed) && fs::equivalent(target, fs::path(sourcePath), failed)) {
        return failure(rm::kInvalidArgument, "the destination \"" + path + "\" is the source itself");
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return failure(rm::kAccessDenied, "the output folder \"" + folder.string() + "\" cannot be written");
    }
    return {};
}

std::string describePlan(const OutputTarget& target, const EncodingPlan& plan) {
    std::string text = "encoding \"" + target.request.sourcePath + "\" into \"" + target.path +
                       "\" for the audience \"" + target.audienceName + "\":";
    if (plan.video) {
        text += " video " + std::to_string(plan.size.width) + "x" + std::to_string(plan.size.height) +
                " at " + std::to_string(plan.frameRate) + " fps, " + std::to_string(plan.videoKbps) +
                " kbit/s;";
    }
    if (plan.audio) {
        text += " audio " + std::to_string(plan.sampleRate) + " Hz, " + std::to_string(plan.channels) +
                (plan.channels == 1 ? " channel, " : " channels, ") + std::to_string(plan.audioKbps) +
                " kbit/s;";
    }
    text.pop_back();
    return text;
}

// What every output shares: the probed source, the cut range and the prefilters.
platform::Expected<PlanRequest> readCommonRequest(InputObject& input) {
    if (auto probed = input.probe(); !probed) {
        return probed.failure();
    }
    PlanRequest common;
    const SourceFacts& facts = input.facts();
    common.sourcePath = input.probedPath();
    common.source = facts;
    common.startTime = input.propertyStore().number(rm::kPropStartTime, 0.0);
    common.endTime = input.propertyStore().number(rm::kPropEndTime, 0.0);
    for (const auto& prefilter : input.prefilters()) {
        const std::string type = textOf(*prefilter, rm::kPropPluginType, "");
        if (type == rm::kPluginTypeBlackLevel) {
            common.blackLevel = true;
        } else if (type == rm::kPluginTypeAudioGain) {
            const double gain = numberOf(*prefilter, rm::kPropGain, 0.0);
            if (gain < -60.0 || gain > 60.0) {
                return failure(rm::kInvalidArgument, "the audio gain is outside -60 to 60 dB");
            }
            if (gain != 0.0) {
                common.gainDb = gain;
            }
        } else {
            return failure(rm::kInvalidArgument, "unknown prefilter \"" + type + "\"");
        }
    }
    return common;
}

// One target per destination of every output profile, each checked before anything is encoded.
platform::Expected<std::vector<OutputTarget>>
collectTargets(const std::vector<ObjectRef<rm::OutputProfile>>& outputs, const PlanRequest& common) {
    if (outputs.empty()) {
        return failure(rm::kUnexpected, "the job has no output profile");
    }
    std::vector<OutputTarget> targets;
    for (const auto& output : outputs) {
        ObjectRef<rm::MediaProfile> media;
        if (rm::failed(output->getMediaProfile(media.put())) || !media) {
            return failure(rm::kUnexpected, "an output profile has no media profile");
        }
        PlanRequest request = common;
        const auto audienceName = readAudience(*media, request);
        if (!audienceName) {
            return audienceName.failure();
        }
        request.width = unsignedOf(*media, rm::kPropOutputWidth);
        request.height = unsignedOf(*media, rm::kPropOutputHeight);
        request.videoMode = textOf(*media, rm::kPropVideoMode, "normal");
        request.audioMode = textOf(*media, rm::kPropAudioMode, "music");

        std::uint32_t destinations = 0;
        if (rm::failed(output->getDestinationCount(&destinations)) || destinations == 0) {
            return failure(rm::kUnexpected, "an output profile has no destination");
        }
        for (std::uint32_t i = 0; i < destinations; ++i) {
            ObjectRef<rm::Destination> destination;
            if (rm::failed(output->getDestination(i, destination.put())) || !destination) {
                return failure(rm::kUnexpected, "cannot read a destination");
            }
            if (textOf(*destination, rm::kPropPluginType, "") != rm::kPluginTypeFileDestination) {
                return failure(rm::kInvalidArgument, "a destination is not a file destination");
            }
            OutputTarget target{textOf(*destination, rm::kPropFilename, ""), request, *audienceName};
            if (auto checked = checkDestination(target.path, common.sourcePath); !checked) {
                return checked.failure();
            }
            targets.push_back(std::move(target));
        }
    }
    return targets;
}

// Where the file system cannot make an unnamed file, the encoder writes a named work file beside the
// destination, "<stem>.rm-part-<six letters or digits><extension>", locked while its encoding runs.
constexpr std::string_view kWorkMark = ".rm-part-";
constexpr std::string_view kRealMediaMagic = ".RMF";

// Removes the work files that encodings ended before they finished left in `folder`: only names of
// that form, marked as work files, regular files nobody holds locked, and empty or RealMedia
// contents (never a user's file that merely shares the name's form, never the source).
void removeAbandonedWorkFiles(const std::string& folder, const std::string& source) {
    const platform::UniqueFd at(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = at.valid() ? ::fdopendir(::dup(at.get())) : nullptr;
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (platform::isWorkFileName(entry->d_name, kWorkMark)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    for (const auto& name : names) {
        const platform::UniqueFd held = platform::takeAbandonedWorkFile(at.get(), name);
        if (held.valid() && platform::namesOpenFile(AT_FDCWD, source, held.get())) {
            continue;
        }
        char head[4] = {};
        const ssize_t read = held.valid() ? ::pread(held.get(), head, sizeof head, 0) : -1;
        const bool ours =
            read == 0 || (read == sizeof head && std::string_view(head, sizeof head) == kRealMediaMagic);
        if (ours && ::unlinkat(at.get(), name.c_str(), 0) == 0) {
            logInfo("removed \"" + (fs::path(folder) / name).string() +
                    "\", left by an encoding that was ended before it finished");
        }
    }
}

// A named work file, removed unless it took its destination's name.
struct NamedWork {
    platform::LockedWorkFile file;
    bool placed = false;
    NamedWork() = default;
    NamedWork(const NamedWork&) = delete;
    NamedWork& operator=(const NamedWork&) = delete;
    ~NamedWork() {
        if (file.fd.valid() && !placed) {
            ::unlink(file.path.c_str());
        }
    }
};

// Runs the encoder for the `index`th of `total` targets; progress is reported for the whole job.
RunOutcome runTarget(const EncodingPlan& plan, int index, int total, const LibrarySettings& settings,
                     EventManagerObject& events, const std::atomic<bool>& stop, int writeDescriptor) {
    // The start event already stands for 0 %.
    int last = index * 100 / total;
    const auto onPercent = [&](int percent) {
        const std::int32_t overall = (index * 100 + percent) / total;
        if (overall > last && overall < 100) {
            last = overall;
            events.broadcast(rm::kEventProgress, &overall);
            logLine(LogLevel::Debug, "progress " + std::to_string(overall) + "%");
        }
    };
    const auto onMessage = [](std::string_view line) { logError(line); };
    return runEncoder(settings.ffmpegProgram, plan.arguments, plan.duration, onPercent, onMessage,
                      writeDescriptor, &stop);
}

// The source's packets that did not decode in a run: how many, and of which kind.
struct DecodeLosses {
    int lost = 0;
    std::string kinds; // "picture", "sound" or "sound and picture"
};

DecodeLosses decodeLosses(const RunOutcome& outcome, const OutputTarget& target) {
    DecodeLosses losses;
    for (const auto& [stream, count] : outcome.packetsLost) {
        losses.lost += count;
        const std::string kind = stream == target.request.source.videoStream ? "picture" : "sound";
        losses.kinds = losses.kinds.empty() || losses.kinds == kind ? kind : "sound and picture";
    }
    return losses;
}

// Whether the run made the file: it started, was not stopped, and ended well or with only packets that
// did not decode.
platform::Expected<void> judgeRun(const RunOutcome& outcome, const OutputTarget& target,
                                  const DecodeLosses& losses) {
    if (!outcome.started) {
        return failure(rm::kFileNotFound, outcome.startError);
    }
    if (outcome.stopped) {
        // The unnamed file goes with its descriptor, a named work file with its owner.
        return failure(rm::kAborted, "stopped on request; nothing was written to \"" + target.path + "\"");
    }
    const bool damaged = losses.lost > 0;
    const bool complete =
        outcome.exit.success() || (damaged && outcome.exit.kind == platform::ExitStatus::Kind::Exited &&
                                   outcome.exit.code == kDecodeErrorExit && outcome.progressEnded);
    if (damaged && (!complete || outcome.outputSeconds <= 0.0)) {
        return failure(rm::kEncodingFailed, "the source's " + losses.kinds + " cannot be decoded (" +
                                                std::to_string(losses.lost) + " packets did not decode)");
    }
    if (!complete) {
        return failure(rm::kEncodingFailed, "the encoder ended with " + outcome.exit.describe() +
                                                " while writing \"" + target.path + "\"");
    }
    return {};
}

// Gives the finished file the destination's name.
platform::Expected<void> placeOutput(const OutputTarget& target, const platform::UnnamedFile& unnamed,
                                     NamedWork& named) {
    std::error_code failed;
    if (unnamed.valid()) {
        // A spare name taken on the way shares the unnamed file's lock, so no sweep takes it meanwhile.
        const int placed = unnamed.place(target.path, true, [&] {
            return platform::workFileName(target.path, kWorkMark, platform::randomWorkTag());
        });
        failed = std::error_code(placed, std::generic_category());
    } else {
        platform::unmarkWorkFile(named.file.fd.get()); // a result is no work file
        fs::rename(named.file.path, target.path, failed);
        named.placed = !failed;
    }
    if (failed) {
        return failure(rm::kAccessDenied,
                       "cannot name the output \"" + target.path + "\": " + failed.message());
    }
    return {};
}

// Encodes the `index`th of `total` targets; progress is reported for the whole job.
platform::Expected<void> encodeTarget(OutputTarget& target, int index, int total,
                                      const LibrarySettings& settings, EventManagerObject& events,
                                      const std::atomic<bool>& stop) {
    // A failed encoding must not destroy a file of the same name: the encoder writes a file without a
    // name in the destination's folder, which takes the name once complete, so an encoding ended in any
    // way leaves nothing behind. Where the file system cannot make one, it writes beside the
    // destination and the file is renamed.
    std::string folder = fs::path(target.path).parent_path().string();
    if (folder.empty()) {
        folder = ".";
    }
    removeAbandonedWorkFiles(folder, target.request.sourcePath);
    const platform::UnnamedFile unnamed = platform::UnnamedFile::open(folder);
    NamedWork named;
    if (unnamed.valid()) {
        target.request.writePath = platform::UnnamedFile::kChildPath;
    } else {
        auto created = platform::createWorkFile(target.path, kWorkMark);
        if (!created) {
            return failure(rm::kAccessDenied,
                           "cannot write into the folder of \"" + target.path + "\": " + created.error());
        }
        named.file = *std::move(created);
        target.request.writePath = named.file.path;
    }
    const auto plan = buildEncodingPlan(target.request, settings);
    if (!plan) {
        return failure(rm::kInvalidArgument, plan.error());
    }
    logInfo(describePlan(target, *plan));
    logInfo(describeCommand(settings.ffmpegProgram, plan->arguments));

    const RunOutcome outcome = runTarget(*plan, index, total, settings, events, stop, unnamed.fd());
    const DecodeLosses losses = decodeLosses(outcome, target);
    if (auto judged = judgeRun(outcome, target, losses); !judged) {
        return judged;
    }
    if (auto placed = placeOutput(target, unnamed, named); !placed) {
        return placed;
    }
    logInfo("wrote \"" + target.path + "\"");
    if (losses.lost > 0) {
        // Where packets did not decode, the times run on over the gaps: the file says how much it holds.
        const auto written = probeSource(target.path);
        char held[32];
        std::snprintf(held, sizeof held, "%.3f s", written ? written->duration : outcome.outputSeconds);
        logInfo(std::to_string(losses.lost) + " packets of the source's " + losses.kinds +
                " could not be decoded; \"" + target.path + "\" holds the " + held +
                " that could be decoded");
    }
    return {};
}

} // namespace

EncodingJobObject::EncodingJobObject(std::shared_ptr<const LibrarySettings> settings)
    : m_settings(std::move(settings)), m_events(makeObject<EventManagerObject>()) {
    if (!m_events) {
        throw std::bad_alloc();
    }
}

void* EncodingJobObject::findInterface(const InterfaceId& id) noexcept {
    return id == rm::kEncodingJobId ? static_cast<EncodingJob*>(this) : nullptr;
}

Status EncodingJobObject::setInput(rm::Input* input) noexcept {
    if (input == nullptr) {
        return rm::kPointer;
    }
    // The job needs what the probe learned: only the library's own inputs will do.
    auto* own = dynamic_cast<InputObject*>(input);
    if (own == nullptr) {
        return rm::kInvalidArgument;
    }
    if (m_running) {
        return rm::kUnexpected;
    }
    m_input = ObjectRef<InputObject>::share(own);
    return rm::kOk;
}

Status EncodingJobObject::getInput(rm::Input** result) noexcept {
    return handOut(m_input, result);
}

Status EncodingJobObject::addOutputProfile(rm::OutputProfile* profile) noexcept {
    if (profile == nullptr) {
        return rm::kPointer;
    }
    if (m_running) {
        return rm::kUnexpected;
    }
    return guardedCall([&] {
        m_outputs.push_back(ObjectRef<rm::OutputProfile>::share(profile));
        return rm::kOk;
    });
}

Status EncodingJobObject::getOutputProfileCount(std::uint32_t* count) noexcept {
    if (count == nullptr) {
        return rm::kPointer;
    }
    *count = static_cast<std::uint32_t>(m_outputs.size());
    return rm::kOk;
}

Status EncodingJobObject::getOutputProfile(std::uint32_t index, rm::OutputProfile** result) noexcept {
    if (result == nullptr) {
        return rm::kPointer;
    }
    *result = nullptr;
    if (index >= m_outputs.size()) {
        return rm::kNotFound;
    }
    return handOut(m_outputs[index], result);
}

Status EncodingJobObject::getEventManager(rm::EventManager** result) noexcept {
    return handOut(m_events, result);
}

Status EncodingJobObject::startEncoding(std::int32_t wait) noexcept {
    if (wait != 1) {
        return rm::kInvalidArgument;
    }
    if (m_running.exchange(true)) {
        return rm::kUnexpected;
    }
    const Status status = guardedCall([&] {
        m_events->broadcast(rm::kEventStarted);
        const auto result = encodeAll();
        if (!result) {
            const std::string& error = result.error();
            logError(error.empty() ? std::string("the encoding failed") : error);
            m_events->broadcast(rm::kEventError, nullptr, error.c_str());
            return statusOf(result);
        }
        m_events->broadcast(rm::kEventFinished);
        return rm::kOk;
    });
    m_running = false;
    return status;
}

Status EncodingJobObject::stopEncoding() noexcept {
    m_stopRequested.store(true);
    return rm::kOk;
}

platform::Expected<void> EncodingJobObject::encodeAll() {
    if (!m_input) {
        return failure(rm::kUnexpected, "the job has no input");
    }
    const auto common = readCommonRequest(*m_input);
    if (!common) {
        return common.failure();
    }
    auto targets = collectTargets(m_outputs, *common);
    if (!targets) {
        return targets.failure();
    }
    const int total = static_cast<int>(targets->size());
    for (int index = 0; index < total; ++index) {
        if (m_stopRequested.load()) {
            return failure(rm::kAborted, "stopped on request before the encoding started");
        }
        if (auto encoded = encodeTarget((*targets)[static_cast<std::size_t>(index)], index, total,
                                        *m_settings, *m_events, m_stopRequested);
            !encoded) {
            return encoded;
        }
    }
    return {};
}

} // namespace morvane::producer
