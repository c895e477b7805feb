#pragma once

// The library's one shape for an operation that can fail: a value, or the reason for the log together
// with the status the caller of the exported interface gets. Only the exported functions and the
// objects' interface methods turn it into a bare status.

#include <string>
#include <utility>

#include "platform/expected.h"
#include "realmedia/producer_bindings.h"

namespace morvane::producer {

// A failure that answers the caller with `status`.
inline platform::Failure failure(realmedia::Status status, std::string reason) {
    return platform::Failure{std::move(reason), status};
}

// The status for a result: kOk, or the failure's own (kUnexpected for a failure that names none).
template <typename T>
realmedia::Status statusOf(const platform::Expected<T>& result) {
    if (result) {
        return realmedia::kOk;
    }
    return result.errorCode() != 0 ? static_cast<realmedia::Status>(result.errorCode())
                                   : realmedia::kUnexpected;
}

} // namespace morvane::producer
