#pragma once

// The facts the media plugin read of each file, with the version of the file they were read from: a
// file added to the list is read again just before it is converted only when it changed meanwhile.

#include <string>

#include "media/media_detector.h"

namespace morvane::media {

// detectMediaFactsWithPlugin(), remembering the facts when the file did not change while it was read.
int detectMediaFactsRemembering(const std::string& path, MediaFacts& facts);

// The record (media_facts_record.h) of the file at `path` as it is now: what was remembered of it,
// unless the file changed since: then it is read now. Empty when the file cannot be read or changed
// while it was read.
std::string currentFactsRecord(const std::string& path);

} // namespace morvane::media
