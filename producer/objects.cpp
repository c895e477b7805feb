#include "producer/objects.h"

#include <fcntl.h>
#include <sys/uio.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace morvane::producer {

using namespace realmedia;

namespace {

template <typename T>
Status countOf(const std::vector<T>& items, std::uint32_t* count) {
    if (count == nullptr) {
        return kPointer;
    }
    *count = static_cast<std::uint32_t>(items.size());
    return kOk;
}

template <typename Interface, typename T>
Status itemOf(const std::vector<ObjectRef<T>>& items, std::uint32_t index, Interface** result) {
    if (result == nullptr) {
        return kPointer;
    }
    *result = nullptr;
    if (index >= items.size()) {
        return kNotFound;
    }
    return handOut(items[index], result);
}

// The values a foreign property set may carry, read through its interface.
void copyKnownProperties(PropertySet& from, PropertyStore& to) {
    for (const char* name : {kPropPluginType, kPropPluginName, kPropFilename}) {
        const char* text = nullptr;
        if (succeeded(from.getString(name, &text)) && text != nullptr) {
            to.set(name, std::string(text));
        }
    }
    for (const char* name : {kPropGain, kPropStartTime, kPropEndTime}) {
        double value = 0.0;
        if (succeeded(from.getDouble(name, &value))) {
            to.set(name, value);
        }
    }
    for (const char* name : {kPropOutputWidth, kPropOutputHeight}) {
        std::uint32_t value = 0;
        if (succeeded(from.getUnsigned(name, &value))) {
            to.set(name, value);
        }
    }
}

void copyProperties(PropertySet* from, PropertyStore& to) {
    if (from == nullptr) {
        return;
    }
    if (const auto* owner = dynamic_cast<const PropertyOwner*>(from)) {
        to.copyFrom(owner->propertyStore());
    } else {
        copyKnownProperties(*from, to);
    }
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Hands a fresh object out through an untyped result pointer, as the interface asked for.
template <typename Interface, typename T>
Status handOutAs(const ObjectRef<T>& object, void** result) {
    if (!object) {
        return kOutOfMemory;
    }
    Interface* typed = nullptr;
    const Status status = handOut<Interface>(object, &typed);
    *result = typed;
    return status;
}

} // namespace

// ---------------------------------------------------------------------------------------------

Status InputObject::addPrefilter(Prefilter* prefilter) noexcept {
    if (prefilter == nullptr) {
        return kPointer;
    }
    return guardedCall([&] {
        m_prefilters.push_back(ObjectRef<Prefilter>::share(prefilter));
        return kOk;
    });
}

Status InputObject::getPrefilterCount(std::uint32_t* count) noexcept {
    return countOf(m_prefilters, count);
}

Status InputObject::getPrefilter(std::uint32_t index, Prefilter** result) noexcept {
    return itemOf(m_prefilters, index, result);
}

Status InputObject::probe(std::string& error) {
    const std::string path = properties().text(kPropFilename);
    if (path.empty()) {
        error = "the input names no file";
        return kInvalidArgument;
    }
    if (path == m_probedPath) {
        return kOk;
    }
    SourceFacts facts;
    if (!probeSource(path, facts, error)) {
        m_probedPath.clear();
        std::error_code failure;
        return std::filesystem::exists(path, failure) ? kInvalidData : kFileNotFound;
    }
    m_facts = facts;
    m_probedPath = path;
    auto& store = properties();
    store.set(kPropHasVideo, std::int32_t{facts.hasVideo ? 1 : 0});
    store.set(kPropHasAudio, std::int32_t{facts.hasAudio ? 1 : 0});
    store.set(kPropPluginName, m_pluginName + "-" + facts.formatName);
    store.set("duration", facts.duration);
    return kOk;
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
        props.set(kPropPluginType, std::string(kPluginTypeVideoStream));
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
        props.set(kPropPluginType, std::string(kPluginTypeAudioStream));
        props.set("bitrate", static_cast<std::uint32_t>(std::max(definition.audioKbps(), 1)));
        props.set("channels", std::string(channelChoiceName(definition.channels)));
        props.set("maxSampleRate", static_cast<std::uint32_t>(definition.maxSampleRate));
        m_streams.push_back(std::move(audio));
    }
}

Status AudienceObject::getStreamCount(std::uint32_t* count) noexcept {
    return countOf(m_streams, count);
}

Status AudienceObject::getStream(std::uint32_t index, Stream** result) noexcept {
    return itemOf(m_streams, index, result);
}

// ---------------------------------------------------------------------------------------------

Status MediaProfileObject::addAudience(Audience* audience) noexcept {
    if (audience == nullptr) {
        return kPointer;
    }
    return guardedCall([&] {
        m_audiences.push_back(ObjectRef<Audience>::share(audience));
        return kOk;
    });
}

Status MediaProfileObject::getAudienceCount(std::uint32_t* count) noexcept {
    return countOf(m_audiences, count);
}

Status MediaProfileObject::getAudience(std::uint32_t index, Audience** result) noexcept {
    return itemOf(m_audiences, index, result);
}

// ---------------------------------------------------------------------------------------------

void* OutputProfileObject::findInterface(const InterfaceId& id) noexcept {
    return id == kOutputProfileId ? static_cast<OutputProfile*>(this) : nullptr;
}

Status OutputProfileObject::addDestination(Destination* destination) noexcept {
    if (destination == nullptr) {
        return kPointer;
    }
    return guardedCall([&] {
        m_destinations.push_back(ObjectRef<Destination>::share(destination));
        return kOk;
    });
}

Status OutputProfileObject::getDestinationCount(std::uint32_t* count) noexcept {
    return countOf(m_destinations, count);
}

Status OutputProfileObject::getDestination(std::uint32_t index, Destination** result) noexcept {
    return itemOf(m_destinations, index, result);
}

Status OutputProfileObject::setMediaProfile(MediaProfile* profile) noexcept {
    if (profile == nullptr) {
        return kPointer;
    }
    m_mediaProfile = ObjectRef<MediaProfile>::share(profile);
    return kOk;
}

Status OutputProfileObject::getMediaProfile(MediaProfile** result) noexcept {
    return handOut(m_mediaProfile, result);
}

// ---------------------------------------------------------------------------------------------

void* EventManagerObject::findInterface(const InterfaceId& id) noexcept {
    return id == kEventManagerId ? static_cast<EventManager*>(this) : nullptr;
}

Status EventManagerObject::subscribe(EventSink* sink) noexcept {
    if (sink == nullptr) {
        return kPointer;
    }
    return guardedCall([&] {
        const std::lock_guard lock(m_mutex);
        for (const auto& subscribed : m_sinks) {
            if (subscribed.get() == sink) {
                return kOk;
            }
        }
        m_sinks.push_back(ObjectRef<EventSink>::share(sink));
        return kOk;
    });
}

Status EventManagerObject::unsubscribe(EventSink* sink) noexcept {
    if (sink == nullptr) {
        return kPointer;
    }
    ObjectRef<EventSink> leaving; // released outside the lock: a sink may end with it
    return guardedCall([&] {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
            if (it->get() == sink) {
                leaving = std::move(*it);
                m_sinks.erase(it);
                return kOk;
            }
        }
        return kNotFound;
    });
}

void EventManagerObject::broadcast(std::int32_t type, const std::int32_t* value, const char* text) noexcept {
    try {
        std::vector<ObjectRef<EventSink>> sinks;
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
    return id == kAudienceManagerId ? static_cast<AudienceManager*>(this) : nullptr;
}

Status AudienceManagerObject::setAudiencesFolder(const char* folder) noexcept {
    if (folder == nullptr) {
        return kPointer;
    }
    return guardedCall([&] {
        std::string error;
        std::vector<AudienceDefinition> audiences;
        const Status status = loadAudiences(folder, audiences, error);
        if (failed(status)) {
            logError(error);
            return status;
        }
        m_audiences = std::move(audiences);
        return kOk;
    });
}

Status AudienceManagerObject::getAudienceCount(std::uint32_t* count) noexcept {
    return countOf(m_audiences, count);
}

Status AudienceManagerObject::getAudience(std::uint32_t index, Audience** result) noexcept {
    if (result == nullptr) {
        return kPointer;
    }
    *result = nullptr;
    if (m_audiences.empty()) {
        logError("no audiences folder has been read");
        return kUnexpected;
    }
    if (index >= m_audiences.size()) {
        logError("there is no audience number " + std::to_string(index) + "; the folder holds " +
                 std::to_string(m_audiences.size()));
        return kNotFound;
    }
    return guardedCall([&] { return handOut(makeObject<AudienceObject>(m_audiences[index]), result); });
}

// ---------------------------------------------------------------------------------------------

void* LogSystemObject::findInterface(const InterfaceId& id) noexcept {
    return id == kLogSystemId ? static_cast<LogSystem*>(this) : nullptr;
}

LogSystemObject::~LogSystemObject() {
    if (m_registered) {
        unregisterLogSystem();
    }
}

Status LogSystemObject::initialize(const char* folder) noexcept {
    if (folder == nullptr) {
        return kPointer;
    }
    return guardedCall([&] {
        std::error_code failure;
        if (!std::filesystem::is_directory(folder, failure)) {
            return kFileNotFound;
        }
        if (!m_registered) {
            registerLogSystem();
            m_registered = true;
        }
        return kOk;
    });
}

// ---------------------------------------------------------------------------------------------

void* LogWriterObject::findInterface(const InterfaceId& id) noexcept {
    return id == kLogWriterId ? static_cast<LogWriter*>(this) : nullptr;
}

LogWriterObject::~LogWriterObject() {
    if (m_registered) {
        unregisterLogTarget(this);
    }
}

Status LogWriterObject::configure(std::int32_t flags) noexcept {
    if ((flags & ~kLogDebug) != 0) {
        return kInvalidArgument;
    }
    const std::lock_guard lock(m_mutex);
    m_flags = flags;
    return kOk;
}

Status LogWriterObject::setFilename(const char* path) noexcept {
    if (path == nullptr) {
        return kPointer;
    }
    if (*path == '\0') {
        return kInvalidArgument;
    }
    return guardedCall([&] {
        platform::UniqueFd file(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        if (!file.valid()) {
            return errno == ENOENT ? kFileNotFound : kAccessDenied;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_file = std::move(file);
        }
        if (!m_registered) {
            registerLogTarget(this);
            m_registered = true;
        }
        return kOk;
    });
}

void LogWriterObject::writeLogLine(LogLevel level, std::string_view line) {
    const std::lock_guard lock(m_mutex);
    if (!m_file.valid() || (level == LogLevel::Debug && (m_flags & kLogDebug) == 0)) {
        return;
    }
    std::string text = level == LogLevel::Error ? "[producer] error: " : "[producer] ";
    text.append(line).append("\r\n");
    (void)writeAll(m_file.get(), text); // one write per line keeps lines whole between writers
}

// ---------------------------------------------------------------------------------------------

void* JobFactoryObject::findInterface(const InterfaceId& id) noexcept {
    return id == kJobFactoryId ? static_cast<JobFactory*>(this) : nullptr;
}

Status JobFactoryObject::createInstance(const InterfaceId& id, void** result) noexcept {
    if (result == nullptr) {
        return kPointer;
    }
    *result = nullptr;
    return guardedCall([&]() -> Status {
        if (id == kEncodingJobId) {
            auto job = makeObject<EncodingJobObject>(m_settings);
            return handOutAs<EncodingJob>(job, result);
        }
        if (id == kPropertySetId) {
            return handOutAs<PropertySet>(makeObject<PlainPropertySet>(), result);
        }
        if (id == kAudienceManagerId) {
            return handOutAs<AudienceManager>(makeObject<AudienceManagerObject>(), result);
        }
        if (id == kLogSystemId) {
            return handOutAs<LogSystem>(makeObject<LogSystemObject>(), result);
        }
        if (id == kLogWriterId) {
            return handOutAs<LogWriter>(makeObject<LogWriterObject>(), result);
        }
        if (id == kOutputProfileId || id == kMediaProfileId) {
            return build(id, nullptr, result);
        }
        return kNoInterface;
    });
}

Status JobFactoryObject::buildInstance(const InterfaceId& id, PropertySet* properties, void** result,
                                       std::uint32_t flags, std::uint32_t reserved) noexcept {
    if (result == nullptr) {
        return kPointer;
    }
    *result = nullptr;
    if (flags != 0 || reserved != 0) {
        return kInvalidArgument;
    }
    return guardedCall([&] { return build(id, properties, result); });
}

Status JobFactoryObject::build(const InterfaceId& id, PropertySet* properties, void** result) {
    PropertyStore given;
    copyProperties(properties, given);
    const std::string type = given.text(kPropPluginType);
    const std::string name = given.text(kPropPluginName);

    // A plug-in must be one the plugins folder offers, under its own type.
    const auto checkPlugin = [&](const char* expectedType) -> Status {
        if (type != expectedType) {
            logError("a plug-in of type \"" + std::string(expectedType) +
                     "\" was asked for with the type \"" + type + "\"");
            return kInvalidArgument;
        }
        if (!name.empty() && m_settings->pluginType(name) != type) {
            logError("the plug-in \"" + name + "\" of type \"" + type + "\" is not installed");
            return kNotFound;
        }
        return kOk;
    };

    if (id == kInputId) {
        if (const Status status = checkPlugin(kPluginTypeFileInput); failed(status)) {
            return status;
        }
        std::string pluginName;
        for (const auto& [plugin, pluginType] : m_settings->plugins) {
            if (pluginType == kPluginTypeFileInput) {
                pluginName = plugin;
                break;
            }
        }
        if (pluginName.empty()) {
            logError("no input plug-in is installed");
            return kNotFound;
        }
        auto input = makeObject<InputObject>(pluginName);
        if (!input) {
            return kOutOfMemory;
        }
        input->properties().copyFrom(given);
        std::string error;
        if (const Status status = input->probe(error); failed(status)) {
            logError(error);
            return status;
        }
        return handOutAs<Input>(input, result);
    }
    if (id == kPrefilterId) {
        if (type != kPluginTypeBlackLevel && type != kPluginTypeAudioGain) {
            logError("there is no prefilter of type \"" + type + "\"");
            return kNotFound;
        }
        if (const Status status = checkPlugin(type.c_str()); failed(status)) {
            return status;
        }
        auto prefilter = makeObject<PrefilterObject>();
        if (!prefilter) {
            return kOutOfMemory;
        }
        prefilter->properties().copyFrom(given);
        return handOutAs<Prefilter>(prefilter, result);
    }
    if (id == kDestinationId) {
        if (const Status status = checkPlugin(kPluginTypeFileDestination); failed(status)) {
            return status;
        }
        auto destination = makeObject<DestinationObject>();
        if (!destination) {
            return kOutOfMemory;
        }
        destination->properties().copyFrom(given);
        return handOutAs<Destination>(destination, result);
    }
    if (id == kOutputProfileId) {
        return handOutAs<OutputProfile>(makeObject<OutputProfileObject>(), result);
    }
    if (id == kMediaProfileId) {
        auto media = makeObject<MediaProfileObject>();
        if (!media) {
            return kOutOfMemory;
        }
        media->properties().copyFrom(given);
        return handOutAs<MediaProfile>(media, result);
    }
    return kNoInterface;
}

} // namespace morvane::producer
