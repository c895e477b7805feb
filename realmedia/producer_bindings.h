#pragma once

// The binary interface between the program's RealMedia encoder and the producer library
// "tools/libencsession.so". Both sides compile against this header and nothing else crosses the
// library boundary: reference-counted objects whose operations sit in the slot order declared here,
// 32-bit status codes (negative means failure), interface ids, property names and the two exported
// functions. No operation lets an exception out.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace morvane::realmedia {

// ---------------------------------------------------------------------------------------------
// Status codes

using Status = std::int32_t;

inline constexpr Status kOk = 0;
inline constexpr Status kNotImplemented = static_cast<Status>(0x80004001u);
inline constexpr Status kNoInterface = static_cast<Status>(0x80004002u);
inline constexpr Status kPointer = static_cast<Status>(0x80004003u); // a result pointer is missing
inline constexpr Status kFail = static_cast<Status>(0x80004005u);
inline constexpr Status kUnexpected = static_cast<Status>(0x8000FFFFu);   // called in the wrong state
inline constexpr Status kTypeMismatch = static_cast<Status>(0x80020005u); // property of another type
inline constexpr Status kFileNotFound = static_cast<Status>(0x80070002u); // a file or folder is missing
inline constexpr Status kAccessDenied = static_cast<Status>(0x80070005u); // a file cannot be written
inline constexpr Status kInvalidData = static_cast<Status>(0x8007000Du);  // unreadable file contents
inline constexpr Status kOutOfMemory = static_cast<Status>(0x8007000Eu);
inline constexpr Status kInvalidArgument = static_cast<Status>(0x80070057u);
inline constexpr Status kNotFound = static_cast<Status>(0x80070490u);       // no such property or index
inline constexpr Status kEncodingFailed = static_cast<Status>(0x80040300u); // the encoder gave up
inline constexpr Status kAborted = static_cast<Status>(0x80004004u);        // stopped on request

constexpr bool succeeded(Status status) {
    return status >= 0;
}
constexpr bool failed(Status status) {
    return status < 0;
}

// ---------------------------------------------------------------------------------------------
// Interface ids

struct InterfaceId {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    friend constexpr bool operator==(const InterfaceId&, const InterfaceId&) = default;
};

// "{06ADF590-64C6-48FC-A5FB-DA1AB6FB45F4}"
inline std::string formatInterfaceId(const InterfaceId& id) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(id.data1), static_cast<unsigned>(id.data2),
                  static_cast<unsigned>(id.data3), id.data4[0], id.data4[1], id.data4[2], id.data4[3],
                  id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
    return text;
}

// The ids the program passes to the job factory.
inline constexpr InterfaceId kEncodingJobId{
    0x06ADF590, 0x64C6, 0x48FC, {0xA5, 0xFB, 0xDA, 0x1A, 0xB6, 0xFB, 0x45, 0xF4}};
inline constexpr InterfaceId kPropertySetId{
    0x4C959CF0, 0x35F9, 0x40F2, {0x84, 0xDD, 0x09, 0x15, 0x37, 0x70, 0x2C, 0x34}};
inline constexpr InterfaceId kInputId{
    0x8EF8B674, 0x85AA, 0x428A, {0xBD, 0xAD, 0x12, 0x55, 0x29, 0xE7, 0x47, 0x02}};
inline constexpr InterfaceId kPrefilterId{
    0x2717FED5, 0xB783, 0x41F9, {0xBC, 0x57, 0x79, 0xD6, 0x3E, 0xEA, 0xA1, 0xF1}};
inline constexpr InterfaceId kOutputProfileId{
    0x27F7E0E3, 0x6FD2, 0x11D5, {0x96, 0xE7, 0x00, 0xD0, 0xB7, 0x06, 0x8A, 0x6E}};
inline constexpr InterfaceId kDestinationId{
    0xB09208E7, 0xA692, 0x4ACF, {0x9E, 0x59, 0x74, 0x64, 0xD7, 0xD5, 0x34, 0x89}};
inline constexpr InterfaceId kMediaProfileId{
    0xACAB0452, 0x6FED, 0x11D5, {0x96, 0xE7, 0x00, 0xD0, 0xB7, 0x06, 0x8A, 0x6E}};
inline constexpr InterfaceId kAudienceManagerId{
    0x45D2135C, 0x6B46, 0x4D02, {0xB7, 0xEC, 0xE2, 0x78, 0x91, 0xBC, 0x75, 0x1A}};
inline constexpr InterfaceId kLogSystemId{
    0xE50F7E51, 0x4640, 0x11D5, {0x93, 0x5B, 0x00, 0xD0, 0xB7, 0x49, 0xDE, 0x42}};
inline constexpr InterfaceId kLogWriterId{
    0x478D6411, 0xA712, 0x11D5, {0x93, 0x74, 0x00, 0xD0, 0xB7, 0x49, 0xDE, 0x42}};

// The id the program's event sink answers to.
inline constexpr InterfaceId kEventSinkId{
    0x7D8D5E8D, 0x9A0D, 0x459A, {0xB9, 0xC8, 0x73, 0x9B, 0x9F, 0xEE, 0xA8, 0x2F}};

// Ids of the library's other interfaces; every object of the library answers to kObjectId.
inline constexpr InterfaceId kObjectId{
    0xA448679A, 0x4843, 0x4E25, {0x8B, 0xFA, 0x07, 0xB3, 0x69, 0x8C, 0xF9, 0x37}};
inline constexpr InterfaceId kJobFactoryId{
    0xF6B86B87, 0xC54C, 0x4D01, {0xBC, 0x64, 0xA1, 0x79, 0x81, 0xDF, 0xBB, 0xC6}};
inline constexpr InterfaceId kEventManagerId{
    0xDD8A645C, 0x0683, 0x4AA0, {0xB8, 0x98, 0x3A, 0x23, 0x23, 0xA4, 0x73, 0xF9}};
inline constexpr InterfaceId kAudienceId{
    0xF8A8A80E, 0xE542, 0x430B, {0x8F, 0xE1, 0x9A, 0xBB, 0x15, 0x94, 0xBF, 0x27}};
// A log writer that puts a text before each of its lines; a library may answer it beside kLogWriterId.
inline constexpr InterfaceId kPrefixedLogWriterId{
    0x5B1C7E20, 0x3D4A, 0x4F6E, {0x9A, 0x21, 0x6C, 0x0E, 0x84, 0xD3, 0x57, 0xB9}};
inline constexpr InterfaceId kStreamId{
    0x4105ED44, 0x7755, 0x4BA3, {0x80, 0x7A, 0x39, 0x5F, 0xBE, 0x61, 0xCA, 0x01}};

// ---------------------------------------------------------------------------------------------
// Objects, operations in slot order. Objects that are handed out carry one reference for the
// receiver, who releases it. The destructors are protected: objects end through release().

class ProducerObject {
public:
    // Answers kObjectId and the object's own interface ids: adds a reference and stores the object
    // as that interface. Missing result pointer: kPointer; other ids: kNoInterface.
    virtual Status queryInterface(const InterfaceId& id, void** result) noexcept = 0;
    virtual std::uint32_t addRef() noexcept = 0;
    // Deletes the object when the count reaches 0; gives the new count.
    virtual std::uint32_t release() noexcept = 0;

protected:
    ProducerObject() = default;
    ProducerObject(const ProducerObject&) = default;
    ProducerObject& operator=(const ProducerObject&) = default;
    ~ProducerObject() = default;
};

// Named values of four types. Setting a name replaces its value and type; reading it under another
// type gives kTypeMismatch, an unknown name kNotFound.
class PropertySet : public ProducerObject {
public:
    virtual Status setString(const char* name, const char* value) noexcept = 0;
    virtual Status setDouble(const char* name, double value) noexcept = 0;
    virtual Status setUnsigned(const char* name, std::uint32_t value) noexcept = 0;
    virtual Status setFlag(const char* name, std::int32_t value) noexcept = 0;
    // The text stays valid while the property keeps its value and the set lives.
    virtual Status getString(const char* name, const char** value) noexcept = 0;
    virtual Status getDouble(const char* name, double* value) noexcept = 0;
    virtual Status getUnsigned(const char* name, std::uint32_t* value) noexcept = 0;
    virtual Status getFlag(const char* name, std::int32_t* value) noexcept = 0;

protected:
    ~PropertySet() = default;
};

// Event types delivered to sinks.
inline constexpr std::int32_t kEventStarted = 0;  // value: none
inline constexpr std::int32_t kEventFinished = 1; // value: none; sent after a successful encoding
inline constexpr std::int32_t kEventError = 2;    // text: what went wrong
inline constexpr std::int32_t kEventProgress = 6; // value: the percentage done so far, rising

class EventSink : public ProducerObject {
public:
    // Called on the thread that encodes. `value` and `text` may be null; the result is ignored.
    virtual Status handleEvent(std::int32_t type, const std::int32_t* value, const char* text,
                               void* reserved) noexcept = 0;

protected:
    ~EventSink() = default;
};

class EventManager : public ProducerObject {
public:
    // The manager holds a reference to each subscribed sink until it is unsubscribed.
    virtual Status subscribe(EventSink* sink) noexcept = 0;
    // kNotFound when the sink is not subscribed.
    virtual Status unsubscribe(EventSink* sink) noexcept = 0;

protected:
    ~EventManager() = default;
};

class Prefilter : public PropertySet {
protected:
    ~Prefilter() = default;
};

class Destination : public PropertySet {
protected:
    ~Destination() = default;
};

class Stream : public PropertySet {
protected:
    ~Stream() = default;
};

// Reading the source: answers its flags and plug-in name once it has been built from a file.
class Input : public PropertySet {
public:
    virtual Status addPrefilter(Prefilter* prefilter) noexcept = 0;
    virtual Status getPrefilterCount(std::uint32_t* count) noexcept = 0;
    virtual Status getPrefilter(std::uint32_t index, Prefilter** result) noexcept = 0;

protected:
    ~Input() = default;
};

class Audience : public PropertySet {
public:
    virtual Status getStreamCount(std::uint32_t* count) noexcept = 0;
    virtual Status getStream(std::uint32_t index, Stream** result) noexcept = 0;

protected:
    ~Audience() = default;
};

class MediaProfile : public PropertySet {
public:
    virtual Status addAudience(Audience* audience) noexcept = 0;
    virtual Status getAudienceCount(std::uint32_t* count) noexcept = 0;
    virtual Status getAudience(std::uint32_t index, Audience** result) noexcept = 0;

protected:
    ~MediaProfile() = default;
};

class OutputProfile : public ProducerObject {
public:
    virtual Status addDestination(Destination* destination) noexcept = 0;
    virtual Status getDestinationCount(std::uint32_t* count) noexcept = 0;
    virtual Status getDestination(std::uint32_t index, Destination** result) noexcept = 0;
    virtual Status setMediaProfile(MediaProfile* profile) noexcept = 0;
    // kNotFound when none has been set.
    virtual Status getMediaProfile(MediaProfile** result) noexcept = 0;

protected:
    ~OutputProfile() = default;
};

// The audiences of the audiences folder, numbered in byte-value order of their names.
class AudienceManager : public ProducerObject {
public:
    virtual Status setAudiencesFolder(const char* folder) noexcept = 0;
    virtual Status getAudienceCount(std::uint32_t* count) noexcept = 0;
    // A fresh audience each time, so settings made on its streams belong to one job.
    virtual Status getAudience(std::uint32_t index, Audience** result) noexcept = 0;

protected:
    ~AudienceManager() = default;
};

class LogSystem : public ProducerObject {
public:
    // The folder the library keeps its log material in; it must exist.
    virtual Status initialize(const char* folder) noexcept = 0;

protected:
    ~LogSystem() = default;
};

// Log writer settings for configure(): 0 writes errors and information, kLogDebug adds details.
inline constexpr std::int32_t kLogDefault = 0;
inline constexpr std::int32_t kLogDebug = 1;

class LogWriter : public ProducerObject {
public:
    virtual Status configure(std::int32_t flags) noexcept = 0;
    // From then on the library's log lines are appended to this file, each ended by CR LF.
    virtual Status setFilename(const char* path) noexcept = 0;

protected:
    ~LogWriter() = default;
};

// Answered for kPrefixedLogWriterId: lines of conversions that run side by side can be told apart.
class PrefixedLogWriter : public LogWriter {
public:
    // From then on each line this writer appends starts with `prefix` (empty: none).
    virtual Status setLinePrefix(const char* prefix) noexcept = 0;

protected:
    ~PrefixedLogWriter() = default;
};

class EncodingJob : public ProducerObject {
public:
    virtual Status setInput(Input* input) noexcept = 0;
    virtual Status getInput(Input** result) noexcept = 0;
    virtual Status addOutputProfile(OutputProfile* profile) noexcept = 0;
    virtual Status getOutputProfileCount(std::uint32_t* count) noexcept = 0;
    virtual Status getOutputProfile(std::uint32_t index, OutputProfile** result) noexcept = 0;
    virtual Status getEventManager(EventManager** result) noexcept = 0;
    // `wait` 1 returns when the encoding has ended, with its outcome; no other mode is offered.
    virtual Status startEncoding(std::int32_t wait) noexcept = 0;
    // From any thread: ends the job's encoding within a second or two, writing nothing under the
    // destination's name; startEncoding then gives kAborted. A stop before the encoding starts
    // applies to it. kOk.
    virtual Status stopEncoding() noexcept = 0;

protected:
    ~EncodingJob() = default;
};

class JobFactory : public ProducerObject {
public:
    // Creates an encoding job, property set, audience manager, log system or log writer.
    virtual Status createInstance(const InterfaceId& id, void** result) noexcept = 0;
    // Builds an input, prefilter, destination, output profile or media profile, configured by
    // `properties` (may be null). `flags` and `reserved` must be 0.
    virtual Status buildInstance(const InterfaceId& id, PropertySet* properties, void** result,
                                 std::uint32_t flags, std::uint32_t reserved) noexcept = 0;

protected:
    ~JobFactory() = default;
};

// ---------------------------------------------------------------------------------------------
// Property names and values

inline constexpr const char* kPropPluginType = "pluginType";
inline constexpr const char* kPropPluginName = "pluginName";
inline constexpr const char* kPropFilename = "filename";
inline constexpr const char* kPropGain = "gain"; // decibels
inline constexpr const char* kPropHasVideo = "hasVideo";
inline constexpr const char* kPropHasAudio = "hasAudio";
inline constexpr const char* kPropStartTime = "startTime"; // seconds into the source
inline constexpr const char* kPropEndTime = "endTime";     // seconds into the source
inline constexpr const char* kPropVideoMode = "videoMode";
inline constexpr const char* kPropAudioMode = "audioMode";
inline constexpr const char* kPropOutputWidth = "outputWidth";
inline constexpr const char* kPropOutputHeight = "outputHeight";
inline constexpr const char* kPropMaxStartupLatency = "maxStartupLatency";     // seconds
inline constexpr const char* kPropMaxKeyFrameInterval = "maxKeyFrameInterval"; // seconds
inline constexpr const char* kPropEncodingComplexity = "encodingComplexity";

inline constexpr const char* kPluginTypeFileInput = "avFileInput";
inline constexpr const char* kPluginTypeBlackLevel = "blackLevelPrefilter";
inline constexpr const char* kPluginNameBlackLevel = "rn-prefilter-blacklevel";
inline constexpr const char* kPluginTypeAudioGain = "audioGainPrefilter";
inline constexpr const char* kPluginNameAudioGain = "rn-prefilter-audiogain";
inline constexpr const char* kPluginTypeFileDestination = "fileDestination";
inline constexpr const char* kPluginNameRealMediaFile = "rn-file-realmedia";
inline constexpr const char* kPluginTypeVideoStream = "videoStream";
inline constexpr const char* kPluginTypeAudioStream = "audioStream";

// ---------------------------------------------------------------------------------------------
// The library and its exports

// Below the program directory.
inline constexpr const char* kProducerLibraryPath = "tools/libencsession.so";

// The access-path list: entries "name=path", each ended by a zero byte, the list by another.
inline constexpr std::size_t kAccessPathListBytes = 2048;
inline constexpr const char* kAccessPathPlugins = "DT_Plugins";
inline constexpr const char* kAccessPathCodecs = "DT_Codecs";
inline constexpr const char* kAccessPathEncoderSdk = "DT_EncSDK";
inline constexpr const char* kAccessPathCommon = "DT_Common";

inline constexpr const char* kSetAccessPathExport = "SetDLLAccessPath";
inline constexpr const char* kCreateJobFactoryExport = "HXTCreateJobFactory";

using SetAccessPathFunction = Status (*)(const char* accessPathList);
// Stores a job factory carrying one reference for the caller.
using CreateJobFactoryFunction = Status (*)(JobFactory** factory);

// ---------------------------------------------------------------------------------------------
// Holds one reference to a library object and gives it back when it goes.

template <typename T>
class ObjectRef {
public:
    ObjectRef() = default;
    ~ObjectRef() { reset(); }
    ObjectRef(const ObjectRef& other) : m_object(other.m_object) {
        if (m_object != nullptr) {
            m_object->addRef();
        }
    }
    ObjectRef& operator=(const ObjectRef& other) {
        if (this != &other) {
            ObjectRef copy(other);
            swap(copy);
        }
        return *this;
    }
    ObjectRef(ObjectRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ObjectRef& operator=(ObjectRef&& other) noexcept {
        if (this != &other) {
            reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller already holds.
    static ObjectRef adopt(T* object) {
        ObjectRef ref;
        ref.m_object = object;
        return ref;
    }
    // Adds a reference of its own.
    static ObjectRef share(T* object) {
        if (object != nullptr) {
            object->addRef();
        }
        return adopt(object);
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Releases what is held and offers the slot to an operation that hands out an object.
    T** put() {
        reset();
        return &m_object;
    }

    T* detach() { return std::exchange(m_object, nullptr); }
    void reset() {
        if (T* object = std::exchange(m_object, nullptr)) {
            object->release();
        }
    }
    void swap(ObjectRef& other) noexcept { std::swap(m_object, other.m_object); }

private:
    T* m_object = nullptr;
};

} // namespace morvane::realmedia
