#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/conversion_job.h"
#include "realmedia/producer_bindings.h"

namespace morvane::realmedia {

// What the program gives the producer library to hear about an encoding: start, progress and end
// become calls of the progress callback. The library calls it on the encoding thread; the
// reference count is atomic because the library may hold and drop references from any thread.
class RealMediaEventSink final : public EventSink {
public:
    // A sink holding one reference for the caller.
    static ObjectRef<RealMediaEventSink> create(engine::ProgressCallback callback, void* userData);

    // Answers kEventSinkId only (kFail for any other id, kPointer without a result pointer).
    Status queryInterface(const InterfaceId& id, void** result) noexcept override;
    std::uint32_t addRef() noexcept override;
    std::uint32_t release() noexcept override;
    // Started reports 1, finished 100, progress its value; other events report nothing, an error's
    // text is kept. Always kOk.
    Status handleEvent(std::int32_t type, const std::int32_t* value, const char* text,
                       void* reserved) noexcept override;
    // The text of the last error event; empty when none came.
    std::string lastError() const;

private:
    RealMediaEventSink(engine::ProgressCallback callback, void* userData)
        : m_callback(callback), m_userData(userData) {}
    ~RealMediaEventSink() = default;

    void report(std::int32_t percent) noexcept;

    std::atomic<std::uint32_t> m_references{0};
    engine::ProgressCallback m_callback = nullptr;
    void* m_userData = nullptr;
    mutable std::mutex m_errorMutex;
    std::string m_lastError;
};

} // namespace morvane::realmedia
