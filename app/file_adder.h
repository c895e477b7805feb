#pragma once

#include <memory>
#include <string>
#include <vector>

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

// Probes the file at `path` through the facade. The job with the probed facts, or null when the
// file cannot be decoded (the probe failed with no length, or the path does not fit a job). Safe on
// any thread: the facade keeps its encoder alive while it probes.
std::unique_ptr<engine::ConversionJob> probeFile(engine::CQuillonMediaCntl& facade, const std::string& path);

// Probes as probeFile does, with the converter's own probe whichever encoder the facade holds.
std::unique_ptr<engine::ConversionJob> probeFileWithConverter(const std::string& programDirectory,
                                                              const std::string& path);

// Appends a row for a probed job with a fresh profile parsed from `profileName`. Returns its index.
int appendProbedFile(FileList& list, const profiles::ProfileCatalogue& catalogue,
                     const std::string& profileName, std::unique_ptr<engine::ConversionJob> job);

// The files named on the program's command line (`morvane FILE...`, as the desktop's "Open with"
// passes them), made absolute against `currentDirectory`; empty arguments are dropped.
std::vector<std::string> commandLineFiles(const std::vector<std::string>& arguments,
                                          const std::string& currentDirectory);

// Adds one file to the list: probes it and, unless it cannot be decoded, appends its row. An
// undecodable file is reported through `prompts` and skipped. Returns the new row, or -1.
int addOneFile(FileList& list, engine::CQuillonMediaCntl& facade, const profiles::ProfileCatalogue& catalogue,
               const std::string& profileName, const std::string& path, UserPrompts& prompts);

} // namespace morvane::app
