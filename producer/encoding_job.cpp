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
Status readAudience(rm::MediaProfile& media, PlanRequest& request, std::string& audienceName,
                    std::string& error) {
    std::uint32_t count = 0;
    if (rm::failed(media.getAudienceCount(&count)) || count == 0) {
        error = "the media profile has no audience";
        return rm::kUnexpected;
    }
    if (count > 1) {
        logInfo("the media profile has " + std::to_string(count) +
                " audiences; one file holds one, so the first is encoded");
    }
    ObjectRef<rm::Audience> audience;
    if (const Status status = media.getAudience(0, audience.put()); rm::failed(status) || !audience) {
        error = "cannot read the media profile's audience";
        return rm::failed(status) ? status : rm::kPointer;
    }
    audienceName = textOf(*audience, "name", "(unnamed)");
    std::uint32_t streams = 0;
    if (const Status status = audience->getStreamCount(&streams); rm::failed(status)) {
        error = "cannot count the audience's streams";
        return status;
    }
    for (std::uint32_t i = 0; i < streams; ++i) {
        ObjectRef<rm::Stream> stream;
        if (const Status status = audience->getStream(i, stream.put()); rm::failed(status) || !stream) {
            error = "cannot read stream " + std::to_string(i) + " of the audience";
            return rm::failed(status) ? status : rm::kPointer;
        }
        const std::string type = textOf(*stream, rm::kPropPluginType, "");
        if (type == rm::kPluginTypeVideoStream && !request.video) {
            VideoStreamSettings video;
            video.bitrateKbps =
                static_cast<int>(std::min<std::uint32_t>(unsignedOf(*stream, "bitrate"), 1000000));
            video.maxFrameRate = numberOf(*stream, "maxFrameRate", 0.0);
            if (!readRateControl(textOf(*stream, "rateControl", "cbr"), video.rateControl)) {
                error = "the video stream has an unknown rate control";
                return rm::kInvalidArgument;
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
                error = "the audio stream has an unknown channel choice";
                return rm::kInvalidArgument;
            }
            audio.maxSampleRate =
                static_cast<int>(std::min<std::uint32_t>(unsignedOf(*stream, "maxSampleRate"), 192000));
            request.audio = audio;
        }
    }
    return rm::kOk;
}

// Checks a destination file name before anything is written.
Status checkDestination(const std::string& path, const std::string& sourcePath, std::string& error) {
    if (path.empty()) {
        error = "the destination names no file";
        return rm::kInvalidArgument;
    }
    std::error_code failure;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, failure)) {
        error = "the output folder \"" + folder.string() + "\" does not exist";
        return rm::kFileNotFound;
    }
    if (fs::is_directory(target, failure)) {
        error = "the destination \"" + path + "\" is a folder";
        return rm::kInvalidArgument;
    }
    if (fs::exists(target, failure) && fs::equivalent(target, fs::path(sourcePath), failure)) {
        error = "the destination \"" + path + "\" is the source itself";
        return rm::kInvalidArgument;
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        error = "the output folder \"" + folder.string() + "\" cannot be written";
        return rm::kAccessDenied;
    }
    return rm::kOk;
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
Status readCommonRequest(InputObject& input, PlanRequest& common, std::string& error) {
    if (const Status status = input.probe(error); rm::failed(status)) {
        return status;
    }
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
                error = "the audio gain is outside -60 to 60 dB";
                return rm::kInvalidArgument;
            }
            if (gain != 0.0) {
                common.gainDb = gain;
            }
        } else {
            error = "unknown prefilter \"" + type + "\"";
            return rm::kInvalidArgument;
        }
    }
    return rm::kOk;
}

// One target per destination of every output profile, each checked before anything is encoded.
Status collectTargets(const std::vector<ObjectRef<rm::OutputProfile>>& outputs, const PlanRequest& common,
                      std::vector<OutputTarget>& targets, std::string& error) {
    if (outputs.empty()) {
        error = "the job has no output profile";
        return rm::kUnexpected;
    }
    for (const auto& output : outputs) {
        ObjectRef<rm::MediaProfile> media;
        if (rm::failed(output->getMediaProfile(media.put())) || !media) {
            error = "an output profile has no media profile";
            return rm::kUnexpected;
        }
        PlanRequest request = common;
        std::string audienceName;
        if (const Status status = readAudience(*media, request, audienceName, error); rm::failed(status)) {
            return status;
        }
        request.width = unsignedOf(*media, rm::kPropOutputWidth);
        request.height = unsignedOf(*media, rm::kPropOutputHeight);
        request.videoMode = textOf(*media, rm::kPropVideoMode, "normal");
        request.audioMode = textOf(*media, rm::kPropAudioMode, "music");

        std::uint32_t destinations = 0;
        if (rm::failed(output->getDestinationCount(&destinations)) || destinations == 0) {
            error = "an output profile has no destination";
            return rm::kUnexpected;
        }
        for (std::uint32_t i = 0; i < destinations; ++i) {
            ObjectRef<rm::Destination> destination;
            if (rm::failed(output->getDestination(i, destination.put())) || !destination) {
                error = "cannot read a destination";
                return rm::kUnexpected;
            }
            if (textOf(*destination, rm::kPropPluginType, "") != rm::kPluginTypeFileDestination) {
                error = "a destination is not a file destination";
                return rm::kInvalidArgument;
            }
            OutputTarget target{textOf(*destination, rm::kPropFilename, ""), request, audienceName};
            if (const Status status = checkDestination(target.path, common.sourcePath, error);
                rm::failed(status)) {
                return status;
            }
            targets.push_back(std::move(target));
        }
    }
    return rm::kOk;
}

// Where the file system cannot make an unnamed file, the encoder writes a named work file beside the
// destination, "<stem>.rm-part-<six letters or digits><extension>", locked while its encoding runs.
constexpr std::string_view kWorkMark = ".rm-part-";
constexpr std::string_view kRealMediaMagic = ".RMF";

// Removes the work files that encodings ended before they finished left in `folder`: only names of
// that form, regular files nobody holds locked, and empty or RealMedia contents (never a user's
// file that merely shares the name's form).
void removeAbandonedWorkFiles(const std::string& folder) {
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

// Encodes the `index`th of `total` targets; progress is reported for the whole job.
Status encodeTarget(OutputTarget& target, int index, int total, const LibrarySettings& settings,
                    EventManagerObject& events, const std::atomic<bool>& stop, std::string& error) {
    // A failed encoding must not destroy a file of the same name: the encoder writes a file without a
    // name in the destination's folder, which takes the name once complete, so an encoding ended in any
    // way leaves nothing behind. Where the file system cannot make one, it writes beside the
    // destination and the file is renamed.
    std::string folder = fs::path(target.path).parent_path().string();
    if (folder.empty()) {
        folder = ".";
    }
    removeAbandonedWorkFiles(folder);
    const platform::UnnamedFile unnamed = platform::UnnamedFile::open(folder);
    NamedWork named;
    if (unnamed.valid()) {
        target.request.writePath = platform::UnnamedFile::kChildPath;
    } else {
        auto created = platform::createWorkFile(target.path, kWorkMark);
        if (!created) {
            error = "cannot write into the folder of \"" + target.path + "\": " + created.error();
            return rm::kAccessDenied;
        }
        named.file = *std::move(created);
        target.request.writePath = named.file.path;
    }
    EncodingPlan plan;
    if (!buildEncodingPlan(target.request, settings, plan, error)) {
        return rm::kInvalidArgument;
    }
    logInfo(describePlan(target, plan));
    logInfo(describeCommand(settings.ffmpegProgram, plan.arguments));

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
    const RunOutcome outcome = runEncoder(settings.ffmpegProgram, plan.arguments, plan.duration, onPercent,
                                          onMessage, unnamed.fd(), &stop);
    std::error_code failure;
    if (!outcome.started) {
        error = outcome.startError;
        return rm::kFileNotFound;
    }
    if (outcome.stopped) {
        // The unnamed file goes with its descriptor, a named work file with `named`.
        error = "stopped on request; nothing was written to \"" + target.path + "\"";
        return rm::kAborted;
    }
    if (!outcome.exit.success()) {
        error =
            "the encoder ended with " + outcome.exit.describe() + " while writing \"" + target.path + "\"";
        return rm::kEncodingFailed;
    }
    if (unnamed.valid()) {
        // A spare name taken on the way shares the unnamed file's lock, so no sweep takes it meanwhile.
        const int placed = unnamed.place(target.path, true, [&] {
            return platform::workFileName(target.path, kWorkMark, platform::randomWorkTag());
        });
        failure = std::error_code(placed, std::generic_category());
    } else {
        fs::rename(named.file.path, target.path, failure);
        named.placed = !failure;
    }
    if (failure) {
        error = "cannot name the output \"" + target.path + "\": " + failure.message();
        return rm::kAccessDenied;
    }
    logInfo("wrote \"" + target.path + "\"");
    return rm::kOk;
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
        std::string error;
        const Status result = encodeAll(error);
        if (rm::failed(result)) {
            logError(error.empty() ? std::string("the encoding failed") : error);
            m_events->broadcast(rm::kEventError, nullptr, error.c_str());
            return result;
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

Status EncodingJobObject::encodeAll(std::string& error) {
    if (!m_input) {
        error = "the job has no input";
        return rm::kUnexpected;
    }
    PlanRequest common;
    if (const Status status = readCommonRequest(*m_input, common, error); rm::failed(status)) {
        return status;
    }
    std::vector<OutputTarget> targets;
    if (const Status status = collectTargets(m_outputs, common, targets, error); rm::failed(status)) {
        return status;
    }
    const int total = static_cast<int>(targets.size());
    for (int index = 0; index < total; ++index) {
        if (m_stopRequested.load()) {
            error = "stopped on request before the encoding started";
            return rm::kAborted;
        }
        const Status status = encodeTarget(targets[static_cast<std::size_t>(index)], index, total,
                                           *m_settings, *m_events, m_stopRequested, error);
        if (rm::failed(status)) {
            return status;
        }
    }
    return rm::kOk;
}

} // namespace morvane::producer
