#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "producer/audience_definition.h"
#include "producer/failure.h"
#include "producer/library_settings.h"
#include "producer/log_hub.h"
#include "producer/object_base.h"
#include "producer/source_probe.h"

namespace morvane::producer {

namespace rm = realmedia;

// ---------------------------------------------------------------------------------------------
// Property sets and the plug-ins built from them

class PlainPropertySet final : public PropertySetObject<rm::PropertySet> {
protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {}); }
};

class PrefilterObject final : public PropertySetObject<rm::Prefilter> {
protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {rm::kPrefilterId}); }
};

class DestinationObject final : public PropertySetObject<rm::Destination> {
protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {rm::kDestinationId}); }
};

class StreamObject final : public PropertySetObject<rm::Stream> {
protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {rm::kStreamId}); }
};

// The source file: probed when built, answering "hasVideo", "hasAudio", "pluginName" and
// "duration"; holds the prefilters added to it.
class InputObject final : public PropertySetObject<rm::Input> {
public:
    explicit InputObject(std::string pluginName) : m_pluginName(std::move(pluginName)) {}

    Status addPrefilter(rm::Prefilter* prefilter) noexcept override;
    Status getPrefilterCount(std::uint32_t* count) noexcept override;
    Status getPrefilter(std::uint32_t index, rm::Prefilter** result) noexcept override;

    // Probes the file named by "filename" unless that file was probed already.
    platform::Expected<void> probe();
    const SourceFacts& facts() const { return m_facts; }
    const std::string& probedPath() const { return m_probedPath; }
    const std::vector<ObjectRef<rm::Prefilter>>& prefilters() const { return m_prefilters; }

protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {rm::kInputId}); }

private:
    std::string m_pluginName;
    SourceFacts m_facts;
    std::string m_probedPath;
    std::vector<ObjectRef<rm::Prefilter>> m_prefilters;
};

// An audience as its file defines it, with one stream object per stream it has.
class AudienceObject final : public PropertySetObject<rm::Audience> {
public:
    explicit AudienceObject(const AudienceDefinition& definition);

    Status getStreamCount(std::uint32_t* count) noexcept override;
    Status getStream(std::uint32_t index, rm::Stream** result) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {rm::kAudienceId}); }

private:
    std::vector<ObjectRef<StreamObject>> m_streams;
};

class MediaProfileObject final : public PropertySetObject<rm::MediaProfile> {
public:
    Status addAudience(rm::Audience* audience) noexcept override;
    Status getAudienceCount(std::uint32_t* count) noexcept override;
    Status getAudience(std::uint32_t index, rm::Audience** result) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override { return answer(id, {rm::kMediaProfileId}); }

private:
    std::vector<ObjectRef<rm::Audience>> m_audiences;
};

class OutputProfileObject final : public RefCounted<rm::OutputProfile> {
public:
    Status addDestination(rm::Destination* destination) noexcept override;
    Status getDestinationCount(std::uint32_t* count) noexcept override;
    Status getDestination(std::uint32_t index, rm::Destination** result) noexcept override;
    Status setMediaProfile(rm::MediaProfile* profile) noexcept override;
    Status getMediaProfile(rm::MediaProfile** result) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    std::vector<ObjectRef<rm::Destination>> m_destinations;
    ObjectRef<rm::MediaProfile> m_mediaProfile;
};

// ---------------------------------------------------------------------------------------------
// Events, jobs and the factory

class EventManagerObject final : public RefCounted<rm::EventManager> {
public:
    Status subscribe(rm::EventSink* sink) noexcept override;
    Status unsubscribe(rm::EventSink* sink) noexcept override;

    // Calls every subscribed sink; sinks may subscribe or unsubscribe meanwhile.
    void broadcast(std::int32_t type, const std::int32_t* value = nullptr,
                   const char* text = nullptr) noexcept;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    std::mutex m_mutex;
    std::vector<ObjectRef<rm::EventSink>> m_sinks;
};

class EncodingJobObject final : public RefCounted<rm::EncodingJob> {
public:
    explicit EncodingJobObject(std::shared_ptr<const LibrarySettings> settings);

    Status setInput(rm::Input* input) noexcept override;
    Status getInput(rm::Input** result) noexcept override;
    Status addOutputProfile(rm::OutputProfile* profile) noexcept override;
    Status getOutputProfileCount(std::uint32_t* count) noexcept override;
    Status getOutputProfile(std::uint32_t index, rm::OutputProfile** result) noexcept override;
    Status getEventManager(rm::EventManager** result) noexcept override;
    Status startEncoding(std::int32_t wait) noexcept override;
    Status stopEncoding() noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    platform::Expected<void> encodeAll();

    std::shared_ptr<const LibrarySettings> m_settings;
    ObjectRef<InputObject> m_input;
    std::vector<ObjectRef<rm::OutputProfile>> m_outputs;
    ObjectRef<EventManagerObject> m_events;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
};

class AudienceManagerObject final : public RefCounted<rm::AudienceManager> {
public:
    Status setAudiencesFolder(const char* folder) noexcept override;
    Status getAudienceCount(std::uint32_t* count) noexcept override;
    Status getAudience(std::uint32_t index, rm::Audience** result) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    std::vector<AudienceDefinition> m_audiences;
};

class LogSystemObject final : public RefCounted<rm::LogSystem> {
public:
    ~LogSystemObject() override;
    Status initialize(const char* folder) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    bool m_registered = false;
};

class LogWriterObject final : public RefCounted<rm::PrefixedLogWriter>, private LogTarget {
public:
    ~LogWriterObject() override;
    Status configure(std::int32_t flags) noexcept override;
    Status setFilename(const char* path) noexcept override;
    Status setLinePrefix(const char* prefix) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    void writeLogLine(LogLevel level, std::string_view line) override;

    std::mutex m_mutex;
    std::int32_t m_flags = rm::kLogDefault;
    std::string m_prefix;
    platform::UniqueFd m_file;
    bool m_registered = false;
};

class JobFactoryObject final : public RefCounted<rm::JobFactory> {
public:
    explicit JobFactoryObject(std::shared_ptr<const LibrarySettings> settings)
        : m_settings(std::move(settings)) {}

    Status createInstance(const InterfaceId& id, void** result) noexcept override;
    Status buildInstance(const InterfaceId& id, rm::PropertySet* properties, void** result,
                         std::uint32_t flags, std::uint32_t reserved) noexcept override;

protected:
    void* findInterface(const InterfaceId& id) noexcept override;

private:
    Status build(const InterfaceId& id, rm::PropertySet* properties, void** result);
    // Whether the plug-in `given` names is one the plugins folder offers, under its own type.
    Status checkPlugin(const PropertyStore& given, const char* expectedType) const;
    Status buildInput(const PropertyStore& given, void** result);

    std::shared_ptr<const LibrarySettings> m_settings;
};

// Turns what a library operation throws into a status.
template <typename Fn>
Status guardedCall(Fn&& fn) noexcept {
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        return rm::kOutOfMemory;
    } catch (...) {
        return rm::kFail;
    }
}

} // namespace morvane::producer
