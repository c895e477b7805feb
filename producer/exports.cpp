// The two functions the library exports; everything else is reached through the job factory.

#include <cstdio>
#include <memory>
#include <new>

#include "producer/failure.h"
#include "producer/library_settings.h"
#include "producer/objects.h"

using morvane::realmedia::JobFactory;
using morvane::realmedia::Status;

#define MORVANE_PRODUCER_EXPORT extern "C" __attribute__((visibility("default")))

MORVANE_PRODUCER_EXPORT Status SetDLLAccessPath(const char* accessPathList) noexcept {
    using namespace morvane::producer;
    return guardedCall([&] {
        auto settings = loadLibrarySettings(accessPathList);
        if (!settings) {
            // No log writer exists yet: standard error is the only witness.
            std::fprintf(stderr, "libencsession: %s\n", settings.error().c_str());
            return statusOf(settings);
        }
        installSettings(std::make_shared<const LibrarySettings>(*std::move(settings)));
        return morvane::realmedia::kOk;
    });
}

MORVANE_PRODUCER_EXPORT Status HXTCreateJobFactory(JobFactory** factory) noexcept {
    using namespace morvane::producer;
    if (factory == nullptr) {
        return morvane::realmedia::kPointer;
    }
    *factory = nullptr;
    return guardedCall([&] {
        auto settings = currentSettings();
        if (!settings) {
            return morvane::realmedia::kUnexpected; // the access paths come first
        }
        auto created = makeObject<JobFactoryObject>(std::move(settings));
        if (!created) {
            return morvane::realmedia::kOutOfMemory;
        }
        *factory = created.detach();
        return morvane::realmedia::kOk;
    });
}
