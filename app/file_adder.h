#pragma once

#include <string>

#include "app/batch_view.h"
#include "app/file_list.h"

namespace morvane::engine {
class CQuillonMediaCntl;
} // namespace morvane::engine

namespace morvane::profiles {
class ProfileCatalogue;
} // namespace morvane::profiles

namespace morvane::app {

// "The file "<name>" can not be decoded."
std::string undecodableFileText(const std::string& path);

// Adds one file to the list: probes it through the facade, and unless the probe failed with no
// length, appends a row that owns the job and a fresh profile parsed from `profileName`. An
// undecodable file is reported through `prompts` and skipped. Returns the new row, or -1.
int addOneFile(FileList& list, engine::CQuillonMediaCntl& facade, const profiles::ProfileCatalogue& catalogue,
               const std::string& profileName, const std::string& path, UserPrompts& prompts);

} // namespace morvane::app
