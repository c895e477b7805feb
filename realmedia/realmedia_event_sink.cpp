#include "realmedia/realmedia_event_sink.h"

#include <new>

namespace morvane::realmedia {

ObjectRef<RealMediaEventSink> RealMediaEventSink::create(engine::ProgressCallback callback, void* userData) {
    auto* sink = new (std::nothrow) RealMediaEventSink(callback, userData);
    return ObjectRef<RealMediaEventSink>::share(sink);
}

Status RealMediaEventSink::queryInterface(const InterfaceId& id, void** result) noexcept {
    if (result == nullptr) {
        return kPointer;
    }
    if (id != kEventSinkId) {
        return kFail;
    }
    addRef();
    *result = static_cast<EventSink*>(this);
    return kOk;
}

std::uint32_t RealMediaEventSink::addRef() noexcept {
    return m_references.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t RealMediaEventSink::release() noexcept {
    const std::uint32_t left = m_references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

Status RealMediaEventSink::handleEvent(std::int32_t type, const std::int32_t* value, const char* text,
                                       void* /*reserved*/) noexcept {
    switch (type) {
    case kEventStarted:
        report(1);
        break;
    case kEventFinished:
        report(100);
        break;
    case kEventProgress:
        if (value != nullptr) {
            report(*value);
        }
        break;
    case kEventError:
        if (text != nullptr) {
            try {
                const std::lock_guard lock(m_errorMutex);
                m_lastError = text;
            } catch (...) {
            }
        }
        break;
    default:
        break;
    }
    return kOk;
}

std::string RealMediaEventSink::lastError() const {
    const std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

void RealMediaEventSink::report(std::int32_t percent) noexcept {
    if (m_callback == nullptr) {
        return;
    }
    // The library's thread must never see an exception of ours.
    try {
        m_callback(percent, m_userData);
    } catch (...) {
    }
}

} // namespace morvane::realmedia
