#pragma once

#include <string>

#include "platform/expected.h"

namespace morvane::platform {

// A library loaded at run time; closed when the object goes.
class SharedLibrary {
public:
    SharedLibrary() = default;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    ~SharedLibrary();

    // Loads with local symbol binding; a failure carries the loader's message.
    static Expected<SharedLibrary> open(const std::string& path);
    // The same, and the library stays mapped until the process ends even after close(): libraries
    // that keep allocations or threads for the life of the process (the FFmpeg libraries, the
    // playback core) must not be unmapped under them.
    static Expected<SharedLibrary> openResident(const std::string& path);

    bool isOpen() const { return m_handle != nullptr; }
    // The address of an exported symbol, or null.
    void* symbol(const char* name) const;
    template <typename Fn>
    Fn function(const char* name) const {
        return reinterpret_cast<Fn>(symbol(name));
    }
    void close();

private:
    static Expected<SharedLibrary> openWithFlags(const std::string& path, int flags);

    void* m_handle = nullptr;
};

} // namespace morvane::platform
