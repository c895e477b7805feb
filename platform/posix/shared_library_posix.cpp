#include "platform/shared_library.h"

#include <dlfcn.h>

#include <utility>

namespace morvane::platform {

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

SharedLibrary::~SharedLibrary() {
    close();
}

Expected<SharedLibrary> SharedLibrary::openWithFlags(const std::string& path, int flags) {
    SharedLibrary library;
    library.m_handle = ::dlopen(path.c_str(), flags);
    if (library.m_handle == nullptr) {
        const char* message = ::dlerror();
        return Failure{message != nullptr ? std::string(message) : "cannot load " + path};
    }
    return library;
}

Expected<SharedLibrary> SharedLibrary::open(const std::string& path) {
    return openWithFlags(path, RTLD_NOW | RTLD_LOCAL);
}

Expected<SharedLibrary> SharedLibrary::openResident(const std::string& path) {
    return openWithFlags(path, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

void* SharedLibrary::symbol(const char* name) const {
    if (m_handle == nullptr || name == nullptr) {
        return nullptr;
    }
    return ::dlsym(m_handle, name);
}

void SharedLibrary::close() {
    if (m_handle != nullptr) {
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
}

} // namespace morvane::platform
