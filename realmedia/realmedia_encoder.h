#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/conversion_job.h"
#include "engine/media_encoder.h"
#include "platform/shared_library.h"
#include "realmedia/access_path_list.h"
#include "realmedia/producer_bindings.h"
#include "realmedia/realmedia_event_sink.h"

namespace morvane::realmedia {

// The second encoder: drives the producer library loaded from the program directory's tools folder
// to write a RealMedia file, reporting progress through the record's callback.
class CRealMediaEncoder final : public engine::CMediaEncoder {
public:
    CRealMediaEncoder() = default;
    // Releases the sink, the encoding job, the log objects and the job factory, then unloads the
    // library.
    ~CRealMediaEncoder() override;

    // Names the output "<outputPath>_new.<ExtName>" in the caller's job, takes a copy of the job and
    // makes a fresh encoding job with its event sink and logging. 1 on success, else 0.
    std::int32_t PrepareCommand(engine::ConversionJob* job) override;
    // From another thread: the running encoding ends within a second or two and keeps nothing; one
    // that has not started yet does not start. Gives 1.
    std::int32_t RequestStop() override;
    // Encodes the copied job; the arguments only have to be there. 1 when every step succeeded.
    std::int32_t RunConversion(const char* outputPath, std::int32_t targetCode) override;
    // Takes the callback, user data and program directory and loads the library. 1 when it loaded.
    std::int32_t Initialize(const engine::EncoderInitRecord* record) override;
    std::int32_t Shutdown() override { return 1; }
    // The producer reads the source itself: nothing is probed here.
    std::int32_t bGetMediaFileContent(const char* path, engine::ConversionJob* job) override;
    std::int32_t OnConverterEvent(engine::ConverterEvent code, const engine::ConverterEventValue& value,
                                  std::int32_t userValue) override;
    void SetProcessHandle(engine::ProcessHandle handle) override;
    void SetForceFrameServer(std::int32_t flag) override;
    engine::ConversionReport LastReport() const override { return m_report; }

    // The outcome of the last library load (kOk, or the failing status).
    Status loadStatus() const { return m_loadStatus; }
    const AccessPathList& accessPaths() const { return m_accessPaths; }
    const engine::ConversionJob& preparedJob() const { return m_job; }

private:
    Status loadLibrary();
    Status createJob();
    Status setUpLogging();
    void releaseJobObjects();

    Status addInput();
    Status addPrefilters();
    Status addDestination();
    Status addMediaProfile();
    Status addAudiences();
    Status encode();
    void unsubscribeSink();

    // The program directory joined with a path below it.
    std::string programPath(const char* below) const;
    // Notes a failed step in the trace file, so a failed row can be understood from it; gives the line.
    std::string traceFailure(const char* step, Status status) const;

    // Declared in the order they are built; the destructor releases them explicitly before unloading.
    platform::SharedLibrary m_library;
    ObjectRef<JobFactory> m_factory;
    ObjectRef<EncodingJob> m_encodingJob; // replaced under m_jobMutex, which RequestStop takes
    ObjectRef<RealMediaEventSink> m_sink;
    ObjectRef<LogSystem> m_logSystem;
    ObjectRef<LogWriter> m_logWriter;

    engine::ProgressCallback m_callback = nullptr;
    void* m_userData = nullptr;
    engine::FixedText<engine::kJobPathCapacity> m_programDirectory;
    engine::ConversionJob m_job;
    AccessPathList m_accessPaths;
    Status m_loadStatus = kFail;
    bool m_prepared = false; // a fresh encoding job waits for RunConversion
    std::mutex m_jobMutex;
    std::atomic<bool> m_stopRequested{false};
    engine::ConversionReport m_report;
};

} // namespace morvane::realmedia
