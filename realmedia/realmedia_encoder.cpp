#include "realmedia/realmedia_encoder.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/engine_log.h"
#include "engine/file_guards.h"
#include "engine/output_names.h"
#include "engine/trace_file.h"
#include "platform/time_text.h"
#include "profiles/profile.h"
#include "realmedia/audience_table.h"

namespace morvane::realmedia {

namespace {

constexpr const char* kModule = "COMMON\\CRealMediaEncoder";
constexpr int kLinePrepareException = 212;
constexpr int kLineRunException = 287;
constexpr int kLineInitializeException = 96;

constexpr double kGainDecibels = 6.0;
constexpr double kMaxStartupLatency = 4.0;
constexpr double kMaxKeyFrameInterval = 10.0;

template <typename T>
Status createObject(JobFactory* factory, const InterfaceId& id, ObjectRef<T>& result) {
    if (factory == nullptr) {
        return kFail;
    }
    void* object = nullptr;
    const Status status = factory->createInstance(id, &object);
    if (failed(status)) {
        return status;
    }
    if (object == nullptr) {
        return kPointer;
    }
    result = ObjectRef<T>::adopt(static_cast<T*>(object));
    return status;
}

template <typename T>
Status buildObject(JobFactory* factory, const InterfaceId& id, PropertySet* properties,
                   ObjectRef<T>& result) {
    if (factory == nullptr) {
        return kFail;
    }
    void* object = nullptr;
    const Status status = factory->buildInstance(id, properties, &object, 0, 0);
    if (failed(status)) {
        return status;
    }
    if (object == nullptr) {
        return kPointer;
    }
    result = ObjectRef<T>::adopt(static_cast<T*>(object));
    return status;
}

// Runs the calls of one step in order and keeps the first failure.
class Steps {
public:
    bool ok() const { return succeeded(m_status); }
    Status status() const { return m_status; }
    Steps& operator<<(Status status) {
        if (ok()) {
            m_status = status;
        }
        return *this;
    }

private:
    Status m_status = kOk;
};

// A property set with the given texts, made by the factory.
Status makeProperties(JobFactory* factory, std::initializer_list<std::pair<const char*, const char*>> texts,
                      ObjectRef<PropertySet>& result) {
    Status status = createObject(factory, kPropertySetId, result);
    for (const auto& [name, value] : texts) {
        if (failed(status)) {
            break;
        }
        status = result->setString(name, value);
    }
    return status;
}

std::optional<long long> cutPoint(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return platform::parseTimeText(text);
}

} // namespace

CRealMediaEncoder::~CRealMediaEncoder() {
    m_sink.reset();
    {
        const std::lock_guard lock(m_jobMutex);
        m_encodingJob.reset();
    }
    m_logWriter.reset();
    m_logSystem.reset();
    m_factory.reset();
    m_library.close();
}

std::int32_t CRealMediaEncoder::Initialize(const engine::EncoderInitRecord* record) {
    try {
        if (record == nullptr || record->callback == nullptr) {
            return 0;
        }
        m_callback = record->callback;
        m_userData = record->userData;
        m_programDirectory = record->programDirectory.view();
        m_loadStatus = loadLibrary();
        if (failed(m_loadStatus)) {
            traceFailure("loading the producer library", m_loadStatus);
            return 0;
        }
        return 1;
    } catch (...) {
        engine::logModuleError(kModule, kLineInitializeException, "Initialize raise exception");
        return 0;
    }
}

Status CRealMediaEncoder::loadLibrary() {
    if (m_library.isOpen()) {
        return m_factory ? kOk : kFail;
    }
    if (!m_accessPaths.fill(m_programDirectory.view())) {
        return kInvalidArgument;
    }
    auto opened = platform::SharedLibrary::open(programPath(kProducerLibraryPath));
    if (!opened) {
        engine::writeTraceLine("RealMedia producer: " + opened.error());
        return kFail;
    }
    m_library = *std::move(opened);
    auto setAccessPath = m_library.function<SetAccessPathFunction>(kSetAccessPathExport);
    if (setAccessPath == nullptr) {
        return kFail;
    }
    if (const Status status = setAccessPath(m_accessPaths.data()); failed(status)) {
        return status;
    }
    auto createFactory = m_library.function<CreateJobFactoryFunction>(kCreateJobFactoryExport);
    if (createFactory == nullptr) {
        return kFail;
    }
    JobFactory* factory = nullptr;
    const Status status = createFactory(&factory);
    m_factory = ObjectRef<JobFactory>::adopt(factory);
    if (succeeded(status) && !m_factory) {
        return kPointer;
    }
    return status;
}

std::int32_t CRealMediaEncoder::PrepareCommand(engine::ConversionJob* job) {
    try {
        if (job == nullptr) {
            return 0;
        }
        m_stopRequested = false;
        using Outcome = engine::ConversionReport::Outcome;
        m_report = {};
        std::string extension;
        if (job->profile != nullptr) {
            extension = job->profile->ExtName;
        }
        if (extension.empty()) {
            extension = "rm"; // a profile without ExtName still gets a name the players recognise
        }
        // A source name near the file system's limit still gets an output (and a work file) named after it.
        std::string outputPath = engine::fitOutputFileName(job->outputPath.str() + "_new." + extension);
        if (job->outputNames != nullptr) {
            outputPath = job->outputNames->claim(outputPath); // never a source, never another row's output
        }
        if (outputPath.size() >= job->outputPath.kCapacity) {
            // A cut name would be another file than the one the user expects.
            m_report = {
                Outcome::Failed, traceFailure("naming the output (path too long)", kInvalidArgument), {}};
            return 0;
        }
        job->outputPath = outputPath;
        m_job = *job;

        m_prepared = false;
        releaseJobObjects();
        Status status = createJob();
        if (failed(status)) {
            m_report = {Outcome::Failed, traceFailure("creating the encoding job", status), {}};
            return 0;
        }
        status = setUpLogging();
        if (failed(status)) {
            m_report = {Outcome::Failed, traceFailure("setting up the producer's log", status), {}};
            return 0;
        }
        m_prepared = true;
        return 1;
    } catch (...) {
        engine::logModuleError(kModule, kLinePrepareException, "PrepareCommand raise exception");
        return 0;
    }
}

void CRealMediaEncoder::releaseJobObjects() {
    unsubscribeSink();
    {
        const std::lock_guard lock(m_jobMutex);
        m_encodingJob.reset();
    }
    m_logWriter.reset();
    m_logSystem.reset();
}

Status CRealMediaEncoder::createJob() {
    if (!m_factory) {
        return kFail;
    }
    Steps steps;
    ObjectRef<EncodingJob> job;
    steps << createObject(m_factory.get(), kEncodingJobId, job);
    if (!steps.ok()) {
        return steps.status();
    }
    {
        const std::lock_guard lock(m_jobMutex);
        m_encodingJob = std::move(job);
    }
    m_sink = RealMediaEventSink::create(m_callback, m_userData);
    if (!m_sink) {
        return kOutOfMemory;
    }
    ObjectRef<EventManager> events;
    steps << m_encodingJob->getEventManager(events.put());
    if (steps.ok() && !events) {
        return kPointer;
    }
    steps << (steps.ok() ? events->subscribe(m_sink.get()) : kOk);
    if (!steps.ok()) {
        m_sink.reset();
    }
    return steps.status();
}

Status CRealMediaEncoder::setUpLogging() {
    Steps steps;
    steps << createObject(m_factory.get(), kLogSystemId, m_logSystem);
    // An absolute folder: the current directory of a running program is not the program directory.
    const std::string logFolder = programPath("tools");
    steps << (steps.ok() ? m_logSystem->initialize(logFolder.c_str()) : kOk);
    if (steps.ok()) {
        steps << createObject(m_factory.get(), kLogWriterId, m_logWriter);
    }
    steps << (steps.ok() ? m_logWriter->configure(kLogDefault) : kOk);
    const std::string tracePath = engine::traceFilePath();
    steps << (steps.ok() ? m_logWriter->setFilename(tracePath.c_str()) : kOk);
    // The producer's lines carry the row's tag as the program's own lines do; a library that cannot
    // prefix its lines writes them as they are.
    void* prefixed = nullptr;
    if (steps.ok() && !engine::traceTag().empty() &&
        succeeded(m_logWriter->queryInterface(kPrefixedLogWriterId, &prefixed)) && prefixed != nullptr) {
        const auto writer = ObjectRef<PrefixedLogWriter>::adopt(static_cast<PrefixedLogWriter*>(prefixed));
        steps << writer->setLinePrefix(engine::traceTag().c_str());
    }
    return steps.status();
}

std::int32_t CRealMediaEncoder::RunConversion(const char* outputPath, std::int32_t /*targetCode*/) {
    try {
        if (outputPath == nullptr) {
            return 0;
        }
        // A job is encoded once: its input and destination are set up by this run.
        if (!m_factory || !m_encodingJob || !m_prepared) {
            m_report = {engine::ConversionReport::Outcome::Failed,
                        traceFailure("encoding (no prepared job)", kFail),
                        {}};
            return 0;
        }
        m_prepared = false;
        struct Step {
            const char* what;
            Status (CRealMediaEncoder::*run)();
        };
        static constexpr Step kSteps[] = {
            {"opening the input", &CRealMediaEncoder::addInput},
            {"adding the prefilters", &CRealMediaEncoder::addPrefilters},
            {"adding the destination", &CRealMediaEncoder::addDestination},
            {"setting the media profile", &CRealMediaEncoder::addMediaProfile},
            {"choosing the audience", &CRealMediaEncoder::addAudiences},
            {"encoding", &CRealMediaEncoder::encode},
        };
        Status status = kOk;
        std::string failure;
        for (const Step& step : kSteps) {
            status = m_stopRequested.load() ? kAborted : (this->*step.run)();
            if (failed(status)) {
                failure = traceFailure(step.what, status);
                break;
            }
        }
        // The producer's own words say more than a status code.
        const std::string producerError = m_sink ? m_sink->lastError() : std::string();
        using Outcome = engine::ConversionReport::Outcome;
        if (status == kAborted) {
            m_report = {Outcome::Stopped, "stopped on request while converting; nothing was kept", {}};
        } else if (failed(status)) {
            m_report = {Outcome::Failed, producerError.empty() ? failure : producerError, {}};
        } else {
            m_report = {Outcome::Converted, {}, {}};
        }
        unsubscribeSink();
        // The library hands its lines to every writer that lives: a row's writer goes with its run,
        // so the next row's lines are written once, under that row's tag.
        m_logWriter.reset();
        m_logSystem.reset();
        return succeeded(status) ? 1 : 0;
    } catch (...) {
        unsubscribeSink();
        engine::logModuleError(kModule, kLineRunException, "RunConversion raise exception");
        m_report = {
            engine::ConversionReport::Outcome::Failed, "the RealMedia encoding met an unexpected error", {}};
        return 0;
    }
}

std::int32_t CRealMediaEncoder::RequestStop() {
    try {
        m_stopRequested = true;
        const std::lock_guard lock(m_jobMutex);
        if (m_encodingJob) {
            (void)m_encodingJob->stopEncoding();
        }
    } catch (...) {
    }
    return 1;
}

Status CRealMediaEncoder::addInput() {
    JobFactory* factory = m_factory.get();
    ObjectRef<PropertySet> properties;
    Steps steps;
    steps << makeProperties(
        factory, {{kPropPluginType, kPluginTypeFileInput}, {kPropFilename, m_job.sourcePath.c_str()}},
        properties);
    // The row's cut range, so a clip cut in the splitter is encoded as cut.
    const auto start = cutPoint(m_job.startTime.view());
    const auto end = cutPoint(m_job.endTime.view());
    if (steps.ok() && start && *start > 0) {
        steps << properties->setDouble(kPropStartTime, static_cast<double>(*start));
    }
    if (steps.ok() && end && *end > start.value_or(0)) {
        steps << properties->setDouble(kPropEndTime, static_cast<double>(*end));
    }
    ObjectRef<Input> input;
    if (steps.ok()) {
        steps << buildObject(factory, kInputId, properties.get(), input);
    }
    steps << (steps.ok() ? m_encodingJob->setInput(input.get()) : kOk);
    if (!steps.ok()) {
        return steps.status();
    }
    const char* pluginName = nullptr;
    if (succeeded(input->getString(kPropPluginName, &pluginName)) && pluginName != nullptr) {
        engine::writeTrace(std::string("Input File: ") + m_job.sourcePath.c_str() + "\r\n" +
                           "  Using input plugin: " + pluginName + "\r\n");
    }
    return kOk;
}

Status CRealMediaEncoder::addPrefilters() {
    JobFactory* factory = m_factory.get();
    ObjectRef<Input> input;
    Steps steps;
    steps << m_encodingJob->getInput(input.put());
    if (steps.ok() && !input) {
        return kPointer;
    }
    std::int32_t hasVideo = 0;
    steps << (steps.ok() ? input->getFlag(kPropHasVideo, &hasVideo) : kOk);
    if (steps.ok() && hasVideo != 0) {
        ObjectRef<PropertySet> properties;
        ObjectRef<Prefilter> blackLevel;
        steps << makeProperties(
            factory, {{kPropPluginType, kPluginTypeBlackLevel}, {kPropPluginName, kPluginNameBlackLevel}},
            properties);
        if (steps.ok()) {
            steps << buildObject(factory, kPrefilterId, properties.get(), blackLevel);
        }
        steps << (steps.ok() ? input->addPrefilter(blackLevel.get()) : kOk);
    }
    std::int32_t hasAudio = 0;
    steps << (steps.ok() ? input->getFlag(kPropHasAudio, &hasAudio) : kOk);
    if (steps.ok() && hasAudio != 0) {
        ObjectRef<PropertySet> properties;
        ObjectRef<Prefilter> gain;
        steps << makeProperties(
            factory, {{kPropPluginType, kPluginTypeAudioGain}, {kPropPluginName, kPluginNameAudioGain}},
            properties);
        if (steps.ok()) {
            steps << buildObject(factory, kPrefilterId, properties.get(), gain);
        }
        steps << (steps.ok() ? gain->setDouble(kPropGain, kGainDecibels) : kOk);
        steps << (steps.ok() ? input->addPrefilter(gain.get()) : kOk);
    }
    return steps.status();
}

Status CRealMediaEncoder::addDestination() {
    JobFactory* factory = m_factory.get();
    ObjectRef<OutputProfile> output;
    Steps steps;
    steps << buildObject(factory, kOutputProfileId, nullptr, output);
    steps << (steps.ok() ? m_encodingJob->addOutputProfile(output.get()) : kOk);
    ObjectRef<PropertySet> properties;
    if (steps.ok()) {
        steps << makeProperties(factory,
                                {{kPropPluginType, kPluginTypeFileDestination},
                                 {kPropPluginName, kPluginNameRealMediaFile},
                                 {kPropFilename, m_job.outputPath.c_str()}},
                                properties);
    }
    ObjectRef<Destination> destination;
    if (steps.ok()) {
        steps << buildObject(factory, kDestinationId, properties.get(), destination);
    }
    steps << (steps.ok() ? output->addDestination(destination.get()) : kOk);
    return steps.status();
}

Status CRealMediaEncoder::addMediaProfile() {
    ObjectRef<OutputProfile> output;
    Steps steps;
    steps << m_encodingJob->getOutputProfile(0, output.put());
    if (steps.ok() && !output) {
        return kPointer;
    }
    ObjectRef<MediaProfile> media;
    if (steps.ok()) {
        steps << buildObject(m_factory.get(), kMediaProfileId, nullptr, media);
    }
    steps << (steps.ok() ? output->setMediaProfile(media.get()) : kOk);
    steps << (steps.ok() ? media->setString(kPropVideoMode, "normal") : kOk);
    steps << (steps.ok() ? media->setString(kPropAudioMode, "music") : kOk);
    // A negative size in a profile means no size: 0 lets the library keep the source's.
    const auto width = static_cast<std::uint32_t>(m_job.width > 0 ? m_job.width : 0);
    const auto height = static_cast<std::uint32_t>(m_job.height > 0 ? m_job.height : 0);
    steps << (steps.ok() ? media->setUnsigned(kPropOutputWidth, width) : kOk);
    steps << (steps.ok() ? media->setUnsigned(kPropOutputHeight, height) : kOk);
    return steps.status();
}

Status CRealMediaEncoder::addAudiences() {
    const std::uint32_t number = AudienceTable::audienceNumber(m_job.videoCodec.view());
    ObjectRef<OutputProfile> output;
    Steps steps;
    steps << m_encodingJob->getOutputProfile(0, output.put());
    if (steps.ok() && !output) {
        return kPointer;
    }
    ObjectRef<MediaProfile> media;
    steps << (steps.ok() ? output->getMediaProfile(media.put()) : kOk);
    if (steps.ok() && !media) {
        return kPointer;
    }
    ObjectRef<AudienceManager> manager;
    if (steps.ok()) {
        steps << createObject(m_factory.get(), kAudienceManagerId, manager);
    }
    const std::string folder = programPath("audiences");
    steps << (steps.ok() ? manager->setAudiencesFolder(folder.c_str()) : kOk);
    ObjectRef<Audience> chosen;
    steps << (steps.ok() ? manager->getAudience(number, chosen.put()) : kOk);
    if (steps.ok() && !chosen) {
        return kPointer;
    }
    steps << (steps.ok() ? media->addAudience(chosen.get()) : kOk);

    std::uint32_t audienceCount = 0;
    steps << (steps.ok() ? media->getAudienceCount(&audienceCount) : kOk);
    for (std::uint32_t a = 0; steps.ok() && a < audienceCount; ++a) {
        ObjectRef<Audience> audience;
        steps << media->getAudience(a, audience.put());
        if (steps.ok() && !audience) {
            return kPointer;
        }
        std::uint32_t streamCount = 0;
        steps << (steps.ok() ? audience->getStreamCount(&streamCount) : kOk);
        for (std::uint32_t s = 0; steps.ok() && s < streamCount; ++s) {
            ObjectRef<Stream> stream;
            steps << audience->getStream(s, stream.put());
            if (steps.ok() && !stream) {
                return kPointer;
            }
            const char* type = nullptr;
            steps << (steps.ok() ? stream->getString(kPropPluginType, &type) : kOk);
            if (steps.ok() && type != nullptr && std::string_view(type) == kPluginTypeVideoStream) {
                steps << stream->setDouble(kPropMaxStartupLatency, kMaxStartupLatency);
                steps << (steps.ok() ? stream->setDouble(kPropMaxKeyFrameInterval, kMaxKeyFrameInterval)
                                     : kOk);
            }
            if (steps.ok()) {
                // A stream that does not know the setting encodes at its own default.
                (void)stream->setString(kPropEncodingComplexity, "medium");
            }
        }
    }
    return steps.status();
}

Status CRealMediaEncoder::encode() {
    return m_encodingJob->startEncoding(1);
}

void CRealMediaEncoder::unsubscribeSink() {
    if (!m_sink) {
        return;
    }
    if (m_encodingJob) {
        ObjectRef<EventManager> events;
        if (succeeded(m_encodingJob->getEventManager(events.put())) && events) {
            (void)events->unsubscribe(m_sink.get());
        }
    }
    m_sink.reset();
}

std::int32_t CRealMediaEncoder::bGetMediaFileContent(const char* /*path*/, engine::ConversionJob* /*job*/) {
    return 1;
}

std::int32_t CRealMediaEncoder::OnConverterEvent(engine::ConverterEvent /*code*/,
                                                 const engine::ConverterEventValue& /*value*/,
                                                 std::int32_t /*userValue*/) {
    return 1;
}

void CRealMediaEncoder::SetProcessHandle(engine::ProcessHandle /*handle*/) {}

void CRealMediaEncoder::SetForceFrameServer(std::int32_t /*flag*/) {}

std::string CRealMediaEncoder::programPath(const char* below) const {
    std::string path = m_programDirectory.str();
    if (!path.empty() && path.back() != '/') {
        path.push_back('/');
    }
    return path + below;
}

std::string CRealMediaEncoder::traceFailure(const char* step, Status status) const {
    char text[160];
    if (status == kAborted) {
        std::snprintf(text, sizeof text, "RealMedia producer: %s stopped on request", step);
    } else {
        std::snprintf(text, sizeof text, "RealMedia producer: %s failed (status 0x%08" PRIX32 ")", step,
                      static_cast<std::uint32_t>(status));
    }
    engine::writeTraceLine(text);
    return text;
}

} // namespace morvane::realmedia
