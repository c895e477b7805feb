#pragma once

// A file's media facts handed from one of the program's processes to another (the batch to the
// converter) so that the file is not read twice: the facts travel with the version of the file they
// were read from, and the receiver takes them only while the file is still that very version.

#include <optional>
#include <string>
#include <string_view>

#include "media/media_detector.h"
#include "platform/file_identity.h"

namespace morvane::media {

// The environment variable that carries a record to the converter for its input.
inline constexpr const char* kSourceFactsVariable = "MORVANE_SOURCE_FACTS";

// The record of `facts`, read from the file at `version` (one line of plain ASCII).
std::string mediaFactsRecord(const platform::FileVersion& version, const MediaFacts& facts);

// The facts in `record` when it is a well-formed record and the file at `path` is still the version
// they were read from; nothing otherwise.
std::optional<MediaFacts> mediaFactsFromRecord(std::string_view record, const std::string& path);

} // namespace morvane::media
