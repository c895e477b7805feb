// A producer library for the bridge's tests: every call is recorded with its arguments, in order,
// as "<object>.<operation> <arguments>". Objects are named by kind and number ("props#2"). The
// test reaches the record and the controls through the fakeProducer* exports after loading the
// same file.

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "realmedia/producer_bindings.h"

using namespace morvane::realmedia;

namespace {

struct Recorder {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<std::string> destroyed;                   // labels, in the order the objects ended
    std::vector<std::pair<std::string, Status>> failures; // call prefix -> status
    int failIndex = -1;                                   // the call (by position) that fails
    Status failIndexStatus = kFail;
    std::map<std::string, int> counters; // kind -> objects made
    std::map<std::string, int> live;     // kind -> objects alive
    int hasVideo = 1;
    int hasAudio = 1;
    std::string pluginName = "rn-avfile-avi";
    bool pluginNameReadable = true;
    std::vector<std::int32_t> progress{25, 50, 75};
};

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

Status record(const std::string& line) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    r.calls.push_back(line);
    if (static_cast<int>(r.calls.size()) - 1 == r.failIndex) {
        return r.failIndexStatus;
    }
    for (const auto& [prefix, status] : r.failures) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return status;
        }
    }
    return kOk;
}

std::string newLabel(const std::string& kind) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    ++r.live[kind];
    return kind + "#" + std::to_string(++r.counters[kind]);
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

template <typename Interface>
class FakeObject : public Interface {
public:
    explicit FakeObject(std::string kind) : m_kind(std::move(kind)), m_label(newLabel(m_kind)) {}
    virtual ~FakeObject() {
        auto& r = recorder();
        const std::lock_guard lock(r.mutex);
        r.destroyed.push_back(m_label);
        --r.live[m_kind];
    }
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    Status queryInterface(const InterfaceId& id, void** result) noexcept override {
        if (result == nullptr) {
            return kPointer;
        }
        *result = nullptr;
        if (id != kObjectId) {
            return kNoInterface;
        }
        addRef();
        *result = static_cast<ProducerObject*>(this);
        return kOk;
    }
    std::uint32_t addRef() noexcept override { return ++m_references; }
    std::uint32_t release() noexcept override {
        const std::uint32_t left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    const std::string& label() const { return m_label; }
    Status call(const std::string& operation) { return record(m_label + "." + operation); }

private:
    std::string m_kind;
    std::string m_label;
    std::uint32_t m_references = 0;
};

template <typename T, typename... Args>
T* fresh(Args&&... args) {
    T* object = new T(std::forward<Args>(args)...);
    object->addRef();
    return object;
}

template <typename Interface>
class FakeProperties : public FakeObject<Interface> {
public:
    using FakeObject<Interface>::FakeObject;
    using FakeObject<Interface>::call;

    Status setString(const char* name, const char* value) noexcept override {
        const Status status = call(std::string("setString ") + name + "=" + value);
        if (succeeded(status)) {
            m_values[name] = std::string(value);
        }
        return status;
    }
    Status setDouble(const char* name, double value) noexcept override {
        const Status status = call(std::string("setDouble ") + name + "=" + number(value));
        if (succeeded(status)) {
            m_values[name] = value;
        }
        return status;
    }
    Status setUnsigned(const char* name, std::uint32_t value) noexcept override {
        const Status status = call(std::string("setUnsigned ") + name + "=" + std::to_string(value));
        if (succeeded(status)) {
            m_values[name] = value;
        }
        return status;
    }
    Status setFlag(const char* name, std::int32_t value) noexcept override {
        const Status status = call(std::string("setFlag ") + name + "=" + std::to_string(value));
        if (succeeded(status)) {
            m_values[name] = value;
        }
        return status;
    }
    Status getString(const char* name, const char** value) noexcept override {
        return get(std::string("getString ") + name, name, value);
    }
    Status getDouble(const char* name, double* value) noexcept override {
        return get(std::string("getDouble ") + name, name, value);
    }
    Status getUnsigned(const char* name, std::uint32_t* value) noexcept override {
        return get(std::string("getUnsigned ") + name, name, value);
    }
    Status getFlag(const char* name, std::int32_t* value) noexcept override {
        return get(std::string("getFlag ") + name, name, value);
    }

protected:
    std::map<std::string, std::variant<std::string, double, std::uint32_t, std::int32_t>> m_values;

private:
    template <typename T>
    Status get(const std::string& line, const char* name, T* value) {
        Status status = call(line);
        if (failed(status)) {
            return status;
        }
        const auto found = m_values.find(name);
        if (found == m_values.end()) {
            return kNotFound;
        }
        if constexpr (std::is_same_v<T, const char*>) {
            if (const auto* text = std::get_if<std::string>(&found->second)) {
                *value = text->c_str();
                return kOk;
            }
        } else {
            if (const auto* typed = std::get_if<T>(&found->second)) {
                *value = *typed;
                return kOk;
            }
        }
        return kTypeMismatch;
    }
};

class FakePropertySet final : public FakeProperties<PropertySet> {
public:
    FakePropertySet() : FakeProperties("props") {}
};

class FakePrefilter final : public FakeProperties<Prefilter> {
public:
    FakePrefilter() : FakeProperties("prefilter") {}
};

class FakeDestination final : public FakeProperties<Destination> {
public:
    FakeDestination() : FakeProperties("destination") {}
};

class FakeStream final : public FakeProperties<Stream> {
public:
    explicit FakeStream(const char* type) : FakeProperties("stream") {
        m_values[kPropPluginType] = std::string(type);
    }
};

template <typename Interface>
std::string labelOf(Interface* object) {
    auto* fake = dynamic_cast<FakeObject<Interface>*>(object);
    return fake != nullptr ? fake->label() : std::string("foreign");
}

class FakeInput final : public FakeProperties<Input> {
public:
    FakeInput() : FakeProperties("input") {
        auto& r = recorder();
        m_values[kPropHasVideo] = std::int32_t{r.hasVideo};
        m_values[kPropHasAudio] = std::int32_t{r.hasAudio};
        if (r.pluginNameReadable) {
            m_values[kPropPluginName] = r.pluginName;
        }
    }
    ~FakeInput() override {
        for (Prefilter* prefilter : m_prefilters) {
            prefilter->release();
        }
    }
    Status addPrefilter(Prefilter* prefilter) noexcept override {
        const Status status = call("addPrefilter " + labelOf<Prefilter>(prefilter));
        if (succeeded(status) && prefilter != nullptr) {
            prefilter->addRef();
            m_prefilters.push_back(prefilter);
        }
        return status;
    }
    Status getPrefilterCount(std::uint32_t* count) noexcept override {
        *count = static_cast<std::uint32_t>(m_prefilters.size());
        return call("getPrefilterCount");
    }
    Status getPrefilter(std::uint32_t, Prefilter**) noexcept override { return kNotImplemented; }

private:
    std::vector<Prefilter*> m_prefilters;
};

class FakeAudience final : public FakeProperties<Audience> {
public:
    FakeAudience() : FakeProperties("audience") {
        m_streams.push_back(fresh<FakeStream>(kPluginTypeVideoStream));
        m_streams.push_back(fresh<FakeStream>(kPluginTypeAudioStream));
    }
    ~FakeAudience() override {
        for (Stream* stream : m_streams) {
            stream->release();
        }
    }
    Status getStreamCount(std::uint32_t* count) noexcept override {
        *count = static_cast<std::uint32_t>(m_streams.size());
        return call("getStreamCount");
    }
    Status getStream(std::uint32_t index, Stream** result) noexcept override {
        const Status status = call("getStream " + std::to_string(index));
        if (failed(status)) {
            return status;
        }
        m_streams.at(index)->addRef();
        *result = m_streams.at(index);
        return status;
    }

private:
    std::vector<Stream*> m_streams;
};

class FakeMediaProfile final : public FakeProperties<MediaProfile> {
public:
    FakeMediaProfile() : FakeProperties("media") {}
    ~FakeMediaProfile() override {
        for (Audience* audience : m_audiences) {
            audience->release();
        }
    }
    Status addAudience(Audience* audience) noexcept override {
        const Status status = call("addAudience " + labelOf<Audience>(audience));
        if (succeeded(status)) {
            audience->addRef();
            m_audiences.push_back(audience);
        }
        return status;
    }
    Status getAudienceCount(std::uint32_t* count) noexcept override {
        *count = static_cast<std::uint32_t>(m_audiences.size());
        return call("getAudienceCount");
    }
    Status getAudience(std::uint32_t index, Audience** result) noexcept override {
        const Status status = call("getAudience " + std::to_string(index));
        if (failed(status)) {
            return status;
        }
        m_audiences.at(index)->addRef();
        *result = m_audiences.at(index);
        return status;
    }

private:
    std::vector<Audience*> m_audiences;
};

class FakeOutputProfile final : public FakeObject<OutputProfile> {
public:
    FakeOutputProfile() : FakeObject("output") {}
    ~FakeOutputProfile() override {
        for (Destination* destination : m_destinations) {
            destination->release();
        }
        if (m_media != nullptr) {
            m_media->release();
        }
    }
    Status addDestination(Destination* destination) noexcept override {
        const Status status = call("addDestination " + labelOf<Destination>(destination));
        if (succeeded(status)) {
            destination->addRef();
            m_destinations.push_back(destination);
        }
        return status;
    }
    Status getDestinationCount(std::uint32_t* count) noexcept override {
        *count = static_cast<std::uint32_t>(m_destinations.size());
        return call("getDestinationCount");
    }
    Status getDestination(std::uint32_t, Destination**) noexcept override { return kNotImplemented; }
    Status setMediaProfile(MediaProfile* profile) noexcept override {
        const Status status = call("setMediaProfile " + labelOf<MediaProfile>(profile));
        if (succeeded(status)) {
            profile->addRef();
            if (m_media != nullptr) {
                m_media->release();
            }
            m_media = profile;
        }
        return status;
    }
    Status getMediaProfile(MediaProfile** result) noexcept override {
        const Status status = call("getMediaProfile");
        if (failed(status)) {
            return status;
        }
        if (m_media == nullptr) {
            return kNotFound;
        }
        m_media->addRef();
        *result = m_media;
        return status;
    }

private:
    std::vector<Destination*> m_destinations;
    MediaProfile* m_media = nullptr;
};

class FakeEventManager final : public FakeObject<EventManager> {
public:
    FakeEventManager() : FakeObject("events") {}
    ~FakeEventManager() override {
        for (EventSink* sink : m_sinks) {
            sink->release();
        }
    }
    Status subscribe(EventSink* sink) noexcept override {
        // The program's sink must answer to its interface id.
        void* answered = nullptr;
        const bool isSink = sink != nullptr && succeeded(sink->queryInterface(kEventSinkId, &answered)) &&
                            answered == static_cast<void*>(sink);
        if (answered != nullptr) {
            static_cast<EventSink*>(answered)->release();
        }
        const Status status = call(std::string("subscribe ") + (isSink ? "sink" : "not-a-sink"));
        if (succeeded(status) && sink != nullptr) {
            sink->addRef();
            m_sinks.push_back(sink);
        }
        return status;
    }
    Status unsubscribe(EventSink* sink) noexcept override {
        const Status status = call("unsubscribe");
        for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
            if (*it == sink) {
                m_sinks.erase(it);
                sink->release();
                return status;
            }
        }
        return failed(status) ? status : kNotFound;
    }
    void send(std::int32_t type, const std::int32_t* value) {
        for (EventSink* sink : m_sinks) {
            sink->handleEvent(type, value, nullptr, nullptr);
        }
    }

private:
    std::vector<EventSink*> m_sinks;
};

class FakeJob final : public FakeObject<EncodingJob> {
public:
    FakeJob() : FakeObject("job"), m_events(fresh<FakeEventManager>()) {}
    ~FakeJob() override {
        if (m_input != nullptr) {
            m_input->release();
        }
        for (OutputProfile* output : m_outputs) {
            output->release();
        }
        m_events->release();
    }
    Status setInput(Input* input) noexcept override {
        const Status status = call("setInput " + labelOf<Input>(input));
        if (succeeded(status)) {
            input->addRef();
            if (m_input != nullptr) {
                m_input->release();
            }
            m_input = input;
        }
        return status;
    }
    Status getInput(Input** result) noexcept override {
        const Status status = call("getInput");
        if (failed(status)) {
            return status;
        }
        m_input->addRef();
        *result = m_input;
        return status;
    }
    Status addOutputProfile(OutputProfile* profile) noexcept override {
        const Status status = call("addOutputProfile " + labelOf<OutputProfile>(profile));
        if (succeeded(status)) {
            profile->addRef();
            m_outputs.push_back(profile);
        }
        return status;
    }
    Status getOutputProfileCount(std::uint32_t* count) noexcept override {
        *count = static_cast<std::uint32_t>(m_outputs.size());
        return call("getOutputProfileCount");
    }
    Status getOutputProfile(std::uint32_t index, OutputProfile** result) noexcept override {
        const Status status = call("getOutputProfile " + std::to_string(index));
        if (failed(status)) {
            return status;
        }
        m_outputs.at(index)->addRef();
        *result = m_outputs.at(index);
        return status;
    }
    Status getEventManager(EventManager** result) noexcept override {
        const Status status = call("getEventManager");
        if (failed(status)) {
            return status;
        }
        m_events->addRef();
        *result = m_events;
        return status;
    }
    Status startEncoding(std::int32_t wait) noexcept override {
        const Status status = call("startEncoding " + std::to_string(wait));
        if (failed(status)) {
            return status;
        }
        m_events->send(kEventStarted, nullptr);
        const std::vector<std::int32_t> progress = recorder().progress;
        for (const std::int32_t value : progress) {
            m_events->send(kEventProgress, &value);
        }
        m_events->send(kEventProgress, nullptr); // no value: nothing to report
        m_events->send(kEventError, nullptr);    // not a progress event
        m_events->send(kEventFinished, nullptr);
        return status;
    }
    Status stopEncoding() noexcept override { return call("stopEncoding"); }

private:
    FakeEventManager* m_events = nullptr;
    Input* m_input = nullptr;
    std::vector<OutputProfile*> m_outputs;
};

class FakeAudienceManager final : public FakeObject<AudienceManager> {
public:
    FakeAudienceManager() : FakeObject("audiences") {}
    Status setAudiencesFolder(const char* folder) noexcept override {
        return call(std::string("setAudiencesFolder ") + folder);
    }
    Status getAudienceCount(std::uint32_t* count) noexcept override {
        *count = 38;
        return call("getAudienceCount");
    }
    Status getAudience(std::uint32_t index, Audience** result) noexcept override {
        const Status status = call("getAudience " + std::to_string(index));
        if (failed(status)) {
            return status;
        }
        *result = fresh<FakeAudience>();
        return status;
    }
};

class FakeLogSystem final : public FakeObject<LogSystem> {
public:
    FakeLogSystem() : FakeObject("logSystem") {}
    Status initialize(const char* folder) noexcept override {
        return call(std::string("initialize ") + folder);
    }
};

class FakeLogWriter final : public FakeObject<LogWriter> {
public:
    FakeLogWriter() : FakeObject("logWriter") {}
    Status configure(std::int32_t flags) noexcept override {
        return call("configure " + std::to_string(flags));
    }
    Status setFilename(const char* path) noexcept override {
        return call(std::string("setFilename ") + path);
    }
};

std::string kindOf(const InterfaceId& id) {
    static const std::pair<InterfaceId, const char*> kKinds[] = {
        {kEncodingJobId, "job"},      {kPropertySetId, "propertySet"},
        {kInputId, "input"},          {kPrefilterId, "prefilter"},
        {kOutputProfileId, "output"}, {kDestinationId, "destination"},
        {kMediaProfileId, "media"},   {kAudienceManagerId, "audienceManager"},
        {kLogSystemId, "logSystem"},  {kLogWriterId, "logWriter"},
    };
    for (const auto& [known, name] : kKinds) {
        if (known == id) {
            return name;
        }
    }
    return formatInterfaceId(id);
}

void* make(const InterfaceId& id) {
    if (id == kEncodingJobId) {
        return static_cast<EncodingJob*>(fresh<FakeJob>());
    }
    if (id == kPropertySetId) {
        return static_cast<PropertySet*>(fresh<FakePropertySet>());
    }
    if (id == kInputId) {
        return static_cast<Input*>(fresh<FakeInput>());
    }
    if (id == kPrefilterId) {
        return static_cast<Prefilter*>(fresh<FakePrefilter>());
    }
    if (id == kOutputProfileId) {
        return static_cast<OutputProfile*>(fresh<FakeOutputProfile>());
    }
    if (id == kDestinationId) {
        return static_cast<Destination*>(fresh<FakeDestination>());
    }
    if (id == kMediaProfileId) {
        return static_cast<MediaProfile*>(fresh<FakeMediaProfile>());
    }
    if (id == kAudienceManagerId) {
        return static_cast<AudienceManager*>(fresh<FakeAudienceManager>());
    }
    if (id == kLogSystemId) {
        return static_cast<LogSystem*>(fresh<FakeLogSystem>());
    }
    if (id == kLogWriterId) {
        return static_cast<LogWriter*>(fresh<FakeLogWriter>());
    }
    return nullptr;
}

class FakeFactory final : public FakeObject<JobFactory> {
public:
    FakeFactory() : FakeObject("factory") {}
    Status createInstance(const InterfaceId& id, void** result) noexcept override {
        const Status status = call("createInstance " + kindOf(id));
        if (failed(status)) {
            return status;
        }
        *result = make(id);
        return *result != nullptr ? status : kNoInterface;
    }
    Status buildInstance(const InterfaceId& id, PropertySet* properties, void** result, std::uint32_t flags,
                         std::uint32_t reserved) noexcept override {
        const std::string from = properties == nullptr ? "none" : labelOf<PropertySet>(properties);
        const Status status = call("buildInstance " + kindOf(id) + " " + from + " " + std::to_string(flags) +
                                   " " + std::to_string(reserved));
        if (failed(status)) {
            return status;
        }
        *result = make(id);
        return *result != nullptr ? status : kNoInterface;
    }
};

} // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_WITHOUT_ACCESS_PATH
FAKE_EXPORT Status SetDLLAccessPath(const char* list) {
    std::string entries;
    for (const char* entry = list; *entry != '\0'; entry += std::char_traits<char>::length(entry) + 1) {
        entries += entries.empty() ? "" : "|";
        entries += entry;
    }
    return record("SetDLLAccessPath " + entries);
}
#endif

#ifndef FAKE_WITHOUT_FACTORY
FAKE_EXPORT Status HXTCreateJobFactory(JobFactory** factory) {
    const Status status = record("HXTCreateJobFactory");
    if (failed(status)) {
        return status;
    }
    *factory = fresh<FakeFactory>();
    return status;
}
#endif

// Controls for the tests.

FAKE_EXPORT void fakeProducerReset() {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    r.calls.clear();
    r.destroyed.clear();
    r.failures.clear();
    r.failIndex = -1;
    r.counters.clear();
    r.hasVideo = 1;
    r.hasAudio = 1;
    r.pluginName = "rn-avfile-avi";
    r.pluginNameReadable = true;
    r.progress = {25, 50, 75};
}

FAKE_EXPORT void fakeProducerFailAt(const char* callPrefix, Status status) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    r.failures.emplace_back(callPrefix, status);
}

// pluginName null: reading the input's "pluginName" fails.
FAKE_EXPORT void fakeProducerSetInput(int hasVideo, int hasAudio, const char* pluginName) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    r.hasVideo = hasVideo;
    r.hasAudio = hasAudio;
    r.pluginNameReadable = pluginName != nullptr;
    r.pluginName = pluginName != nullptr ? pluginName : "";
}

// The call at `index` (0-based, in recording order) gives `status`.
FAKE_EXPORT void fakeProducerFailCall(int index, Status status) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    r.failIndex = index;
    r.failIndexStatus = status;
}

FAKE_EXPORT int fakeProducerDestroyedCount() {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    return static_cast<int>(r.destroyed.size());
}

FAKE_EXPORT const char* fakeProducerDestroyed(int index) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    return r.destroyed.at(static_cast<std::size_t>(index)).c_str();
}

FAKE_EXPORT int fakeProducerCallCount() {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    return static_cast<int>(r.calls.size());
}

FAKE_EXPORT const char* fakeProducerCall(int index) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    return r.calls.at(static_cast<std::size_t>(index)).c_str();
}

// How many objects of a kind ("job", "props", "logWriter", ...) are alive.
FAKE_EXPORT int fakeProducerLiveObjects(const char* kind) {
    auto& r = recorder();
    const std::lock_guard lock(r.mutex);
    return r.live[kind];
}
