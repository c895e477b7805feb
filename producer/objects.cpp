#include "producer/objects.h"

#include <fcntl.h>
#include <sys/uio.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/fd_io.h"

namespace morvane::producer {

namespace rm = realmedia;

namespace {

template <typename T>
Status countOf(const std::vector<T>& items, std::uint32_t* count) {
    if (count == nullptr) {
        return rm::kPointer;
    }
    *count = static_cast<std::uint32_t>(items.size());
    return rm::kOk;
}

template <typename Interface, typename T>
Status itemOf(const std::vector<ObjectRef<T>>& items, std::uint32_t index, Interface** result) {
    if (result == nullptr) {
        return rm::kPointer;
    }
    *result = nullptr;
    if (index >= items.size()) {
        return rm::kNotFound;
    }
    return handOut(items[index], result);
}

// The values a foreign property set may carry, read through its interface.
void copyKnownProperties(rm::PropertySet& from, PropertyStore& to) {
    for (const char* name : {rm::kPropPluginType, rm::kPropPluginName, rm::kPropFilename}) {
        const char* text = nullptr;
        if (rm::succeeded(from.getString(name, &text)) && text != nullptr) {
            to.set(name, std::string(text));
        }
    }
    for (const char* name : {rm::kPropGain, rm::kPropStartTime, rm::kPropEndTime}) {
        double value = 0.0;
        if (rm::succeeded(from.getDouble(name, &value))) {
            to.set(name, value);
        }
    }
    for (const char* name : {rm::kPropOutputWidth, rm::kPropOutputHeight}) {
        std::uint32_t value = 0;
        if (rm::succeeded(from.getUnsigned(name, &value))) {
            to.set(name, value);
        }
    }
}

void copyProperties(rm::PropertySet* from, PropertyStore& to) {
    if (from == nullptr) {
        return;
    }
    if (const auto* owner = dynamic_cast<const PropertyOwner*>(from)) {
        to.copyFrom(owner->propertyStore());
    } else {
        copyKnownProperties(*from, to);
    }
}

// Hands a fresh object out through an untyped result pointer, as the interface asked for.
template <typename Interface, typename T>
Status handOutAs(const ObjectRef<T>& object, void** result) {
    if (!object) {
        return rm::kOutOfMemory;
    }
    Interface* typed = nullptr;
    const Status status = handOut<Interface>(object, &typed);
    *result = typed;
    return status;
}

} // namespace

// ---------------------------------------------------------------------------------------------

Status InputObject::addPrefilter(rm::Prefilter* prefilter) noexcept {
    if (prefilter == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        m_prefilters.push_back(ObjectRef<rm::Prefilter>::share(prefilter));
        return rm::kOk;
    });
}

Status InputObject::getPrefilterCount(std::uint32_t* count) noexcept {
    return countOf(m_prefilters, count);
}

Status InputObject::getPrefilter(std::uint32_t index, rm::Prefilter** result) noexcept {
    return itemOf(m_prefilters, index, result);
}

platform::Expected<void> InputObject::probe() {
    const std::string path = properties().text(rm::kPropFilename);
    if (path.empty()) {
        return failure(rm::kInvalidArgument, "the input names no file");
    }
    if (path == m_probedPath) {
        return {};
    }
    const auto probed = probeSource(path);
    if (!probed) {
        m_probedPath.clear();
        std::error_code missing;
        return failure(std::filesystem::exists(path, missing) ? rm::kInvalidData : rm::kFileNotFound,
                       probed.error());
    }
    const SourceFacts& facts = *probed;
    m_facts = facts;
    m_probedPath = path;
    auto& store = properties();
    store.set(rm::kPropHasVideo, std::int32_t{facts.hasVideo ? 1 : 0});
    store.set(rm::kPropHasAudio, std::int32_t{facts.hasAudio ? 1 : 0});
    store.set(rm::kPropPluginName, m_pluginName + "-" + facts.formatName);
    store.set("duration", facts.duration);
    return {};
}

// ---------------------------------------------------------------------------------------------

AudienceObject::AudienceObject(const AudienceDefinition& definition) {
    auto& store = properties();
    store.set("name", definition.name);
    store.set("totalBitrate", static_cast<std::uint32_t>(definition.totalKbps));
    if (definition.videoShare > 0) {
        auto video = makeObject<StreamObject>();
        if (!video) {
            throw std::bad_alloc();
        }
        auto& props = video->properties();
        props.set(rm::kPropPluginType, std::string(rm::kPluginTypeVideoStream));
        props.set("bitrate", static_cast<std::uint32_t>(std::max(definition.videoKbps(), 1)));
        props.set("maxFrameRate", definition.maxFrameRate);
        props.set("rateControl", std::string(rateControlName(definition.rateControl)));
        if (definition.rateControl == RateControl::Quality) {
            props.set("quality", static_cast<std::uint32_t>(definition.quality));
        }
        m_streams.push_back(std::move(video));
    }
    if (definition.audioShare > 0) {
        auto audio = makeObject<StreamObject>();
        if (!audio) {
            throw std::bad_alloc();
        }
        auto& props = audio->properties();
        props.set(rm::kPropPluginType, std::string(rm::kPluginTypeAudioStream));
        props.set("bitrate", static_cast<std::uint32_t>(std::max(definition.audioKbps(), 1)));
        props.set("channels", std::string(channelChoiceName(definition.channels)));
        props.set("maxSampleRate", static_cast<std::uint32_t>(definition.maxSampleRate));
        m_streams.push_back(std::move(audio));
    }
}

Status AudienceObject::getStreamCount(std::uint32_t* count) noexcept {
    return countOf(m_streams, count);
}

Status AudienceObject::getStream(std::uint32_t index, rm::Stream** result) noexcept {
    return itemOf(m_streams, index, result);
}

// ---------------------------------------------------------------------------------------------

Status MediaProfileObject::addAudience(rm::Audience* audience) noexcept {
    if (audience == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        m_audiences.push_back(ObjectRef<rm::Audience>::share(audience));
        return rm::kOk;
    });
}

Status MediaProfileObject::getAudienceCount(std::uint32_t* count) noexcept {
    return countOf(m_audiences, count);
}

Status MediaProfileObject::getAudience(std::uint32_t index, rm::Audience** result) noexcept {
    return itemOf(m_audiences, index, result);
}

// ---------------------------------------------------------------------------------------------

void* OutputProfileObject::findInterface(const InterfaceId& id) noexcept {
    return id == rm::kOutputProfileId ? static_cast<OutputProfile*>(this) : nullptr;
}

Status OutputProfileObject::addDestination(rm::Destination* destination) noexcept {
    if (destination == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        m_destinations.push_back(ObjectRef<rm::Destination>::share(destination));
        return rm::kOk;
    });
}

Status OutputProfileObject::getDestinationCount(std::uint32_t* count) noexcept {
    return countOf(m_destinations, count);
}

Status OutputProfileObject::getDestination(std::uint32_t index, rm::Destination** result) noexcept {
    return itemOf(m_destinations, index, result);
}

Status OutputProfileObject::setMediaProfile(rm::MediaProfile* profile) noexcept {
    if (profile == nullptr) {
        return rm::kPointer;
    }
    m_mediaProfile = ObjectRef<rm::MediaProfile>::share(profile);
    return rm::kOk;
}

Status OutputProfileObject::getMediaProfile(rm::MediaProfile** result) noexcept {
    return handOut(m_mediaProfile, result);
}

// ---------------------------------------------------------------------------------------------

void* EventManagerObject::findInterface(const InterfaceId& id) noexcept {
    return id == rm::kEventManagerId ? static_cast<EventManager*>(this) : nullptr;
}

Status EventManagerObject::subscribe(rm::EventSink* sink) noexcept {
    if (sink == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        const std::lock_guard lock(m_mutex);
        for (const auto& subscribed : m_sinks) {
            if (subscribed.get() == sink) {
                return rm::kOk;
            }
        }
        m_sinks.push_back(ObjectRef<rm::EventSink>::share(sink));
        return rm::kOk;
    });
}

Status EventManagerObject::unsubscribe(rm::EventSink* sink) noexcept {
    if (sink == nullptr) {
        return rm::kPointer;
    }
    ObjectRef<rm::EventSink> leaving; // released outside the lock: a sink may end with it
    return guardedCall([&] {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
            if (it->get() == sink) {
                leaving = std::move(*it);
                m_sinks.erase(it);
                return rm::kOk;
            }
        }
        return rm::kNotFound;
    });
}

void EventManagerObject::broadcast(std::int32_t type, const std::int32_t* value, const char* text) noexcept {
    try {
        std::vector<ObjectRef<rm::EventSink>> sinks;
        {
            const std::lock_guard lock(m_mutex);
            sinks = m_sinks;
        }
        for (const auto& sink : sinks) {
            (void)sink->handleEvent(type, value, text, nullptr);
        }
    } catch (...) {
        // Without memory for the copy the event is lost; the encoding goes on.
    }
}

// ---------------------------------------------------------------------------------------------

void* AudienceManagerObject::findInterface(const InterfaceId& id) noexcept {
    return id == rm::kAudienceManagerId ? static_cast<AudienceManager*>(this) : nullptr;
}

Status AudienceManagerObject::setAudiencesFolder(const char* folder) noexcept {
    if (folder == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        auto audiences = loadAudiences(folder);
        if (!audiences) {
            logError(audiences.error());
            return statusOf(audiences);
        }
        m_audiences = *std::move(audiences);
        return rm::kOk;
    });
}

Status AudienceManagerObject::getAudienceCount(std::uint32_t* count) noexcept {
    return countOf(m_audiences, count);
}

Status AudienceManagerObject::getAudience(std::uint32_t index, rm::Audience** result) noexcept {
    if (result == nullptr) {
        return rm::kPointer;
    }
    *result = nullptr;
    if (m_audiences.empty()) {
        logError("no audiences folder has been read");
        return rm::kUnexpected;
    }
    if (index >= m_audiences.size()) {
        logError("there is no audience number " + std::to_string(index) + "; the folder holds " +
                 std::to_string(m_audiences.size()));
        return rm::kNotFound;
    }
    return guardedCall([&] { return handOut(makeObject<AudienceObject>(m_audiences[index]), result); });
}

// ---------------------------------------------------------------------------------------------

void* LogSystemObject::findInterface(const InterfaceId& id) noexcept {
    return id == rm::kLogSystemId ? static_cast<LogSystem*>(this) : nullptr;
}

LogSystemObject::~LogSystemObject() {
    if (m_registered) {
        unregisterLogSystem();
    }
}

Status LogSystemObject::initialize(const char* folder) noexcept {
    if (folder == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        std::error_code failure;
        if (!std::filesystem::is_directory(folder, failure)) {
            return rm::kFileNotFound;
        }
        if (!m_registered) {
            registerLogSystem();
            m_registered = true;
        }
        return rm::kOk;
    });
}

// ---------------------------------------------------------------------------------------------

void* LogWriterObject::findInterface(const InterfaceId& id) noexcept {
    if (id == rm::kPrefixedLogWriterId) {
        return static_cast<rm::PrefixedLogWriter*>(this);
    }
    return id == rm::kLogWriterId ? static_cast<LogWriter*>(this) : nullptr;
}

LogWriterObject::~LogWriterObject() {
    if (m_registered) {
        unregisterLogTarget(this);
    }
}

Status LogWriterObject::configure(std::int32_t flags) noexcept {
    if ((flags & ~rm::kLogDebug) != 0) {
        return rm::kInvalidArgument;
    }
    const std::lock_guard lock(m_mutex);
    m_flags = flags;
    return rm::kOk;
}

Status LogWriterObject::setFilename(const char* path) noexcept {
    if (path == nullptr) {
        return rm::kPointer;
    }
    if (*path == '\0') {
        return rm::kInvalidArgument;
    }
    return guardedCall([&] {
        platform::UniqueFd file(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        if (!file.valid()) {
            return errno == ENOENT ? rm::kFileNotFound : rm::kAccessDenied;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_file = std::move(file);
        }
        if (!m_registered) {
            registerLogTarget(this);
            m_registered = true;
        }
        return rm::kOk;
    });
}

Status LogWriterObject::setLinePrefix(const char* prefix) noexcept {
    if (prefix == nullptr) {
        return rm::kPointer;
    }
    return guardedCall([&] {
        const std::lock_guard lock(m_mutex);
        m_prefix = prefix;
        return rm::kOk;
    });
}

void LogWriterObject::writeLogLine(LogLevel level, std::string_view line) {
    const std::lock_guard lock(m_mutex);
    if (!m_file.valid() || (level == LogLevel::Debug && (m_flags & rm::kLogDebug) == 0)) {
        return;
    }
    std::string text = m_prefix + (level == LogLevel::Error ? "[producer] error: " : "[producer] ");
    text.append(line).append("\r\n");
    (void)platform::writeAll(m_file.get(), text); // one write per line keeps lines whole between writers
}

// ---------------------------------------------------------------------------------------------

void* JobFactoryObject::findInterface(const InterfaceId& id) noexcept {
    return id == rm::kJobFactoryId ? static_cast<JobFactory*>(this) : nullptr;
}

Status JobFactoryObject::createInstance(const InterfaceId& id, void** result) noexcept {
    if (result == nullptr) {
        return rm::kPointer;
    }
    *result = nullptr;
    return guardedCall([&]() -> Status {
        if (id == rm::kEncodingJobId) {
            auto job = makeObject<EncodingJobObject>(m_settings);
            return handOutAs<rm::EncodingJob>(job, result);
        }
        if (id == rm::kPropertySetId) {
            return handOutAs<rm::PropertySet>(makeObject<PlainPropertySet>(), result);
        }
        if (id == rm::kAudienceManagerId) {
            return handOutAs<rm::AudienceManager>(makeObject<AudienceManagerObject>(), result);
        }
        if (id == rm::kLogSystemId) {
            return handOutAs<rm::LogSystem>(makeObject<LogSystemObject>(), result);
        }
        if (id == rm::kLogWriterId) {
            return handOutAs<rm::LogWriter>(makeObject<LogWriterObject>(), result);
        }
        if (id == rm::kOutputProfileId || id == rm::kMediaProfileId) {
            return build(id, nullptr, result);
        }
        return rm::kNoInterface;
    });
}

Status JobFactoryObject::buildInstance(const InterfaceId& id, rm::PropertySet* properties, void** result,
                                       std::uint32_t flags, std::uint32_t reserved) noexcept {
    if (result == nullptr) {
        return rm::kPointer;
    }
    *result = nullptr;
    if (flags != 0 || reserved != 0) {
        return rm::kInvalidArgument;
    }
    return guardedCall([&] { return build(id, properties, result); });
}

Status JobFactoryObject::checkPlugin(const PropertyStore& given, const char* expectedType) const {
    const std::string type = given.text(rm::kPropPluginType);
    const std::string name = given.text(rm::kPropPluginName);
    if (type != expectedType) {
        logError("a plug-in of type \"" + std::string(expectedType) + "\" was asked for with the type \"" +
                 type + "\"");
        return rm::kInvalidArgument;
    }
    if (!name.empty() && m_settings->pluginType(name) != type) {
        logError("the plug-in \"" + name + "\" of type \"" + type + "\" is not installed");
        return rm::kNotFound;
    }
    return rm::kOk;
}

Status JobFactoryObject::buildInput(const PropertyStore& given, void** result) {
    if (const Status status = checkPlugin(given, rm::kPluginTypeFileInput); rm::failed(status)) {
        return status;
    }
    std::string pluginName;
    for (const auto& [plugin, pluginType] : m_settings->plugins) {
        if (pluginType == rm::kPluginTypeFileInput) {
            pluginName = plugin;
            break;
        }
    }
    if (pluginName.empty()) {
        logError("no input plug-in is installed");
        return rm::kNotFound;
    }
    auto input = makeObject<InputObject>(pluginName);
    if (!input) {
        return rm::kOutOfMemory;
    }
    input->properties().copyFrom(given);
    if (const auto probed = input->probe(); !probed) {
        logError(probed.error());
        return statusOf(probed);
    }
    return handOutAs<rm::Input>(input, result);
}

Status JobFactoryObject::build(const InterfaceId& id, rm::PropertySet* properties, void** result) {
    PropertyStore given;
    copyProperties(properties, given);
    const std::string type = given.text(rm::kPropPluginType);

    if (id == rm::kInputId) {
        return buildInput(given, result);
    }
    if (id == rm::kPrefilterId) {
        if (type != rm::kPluginTypeBlackLevel && type != rm::kPluginTypeAudioGain) {
            logError("there is no prefilter of type \"" + type + "\"");
            return rm::kNotFound;
        }
        if (const Status status = checkPlugin(given, type.c_str()); rm::failed(status)) {
            return status;
        }
        auto prefilter = makeObject<PrefilterObject>();
        if (!prefilter) {
            return rm::kOutOfMemory;
        }
        prefilter->properties().copyFrom(given);
        return handOutAs<rm::Prefilter>(prefilter, result);
    }
    if (id == rm::kDestinationId) {
        if (const Status status = checkPlugin(given, rm::kPluginTypeFileDestination); rm::failed(status)) {
            return status;
        }
        auto destination = makeObject<DestinationObject>();
        if (!destination) {
            return rm::kOutOfMemory;
        }
        destination->properties().copyFrom(given);
        return handOutAs<rm::Destination>(destination, result);
    }
    if (id == rm::kOutputProfileId) {
        return handOutAs<rm::OutputProfile>(makeObject<OutputProfileObject>(), result);
    }
    if (id == rm::kMediaProfileId) {
        auto media = makeObject<MediaProfileObject>();
        if (!media) {
            return rm::kOutOfMemory;
        }
        media->properties().copyFrom(given);
        return handOutAs<rm::MediaProfile>(media, result);
    }
    return rm::kNoInterface;
}

} // namespace morvane::producer
