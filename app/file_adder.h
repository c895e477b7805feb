#pragma once

#include <memory>
#include <optional>
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

// Why the file at `path` cannot be added before anything reads it: a name longer than a file system
// holds, a path longer than a job holds, a file that is not there or cannot be read, or one that is
// no regular file (a named pipe or a device would hold the probe until someone writes to it).
// Nothing when it may be probed.
std::optional<std::string> unaddableReason(const std::string& path);

// The message for a file that was not added: "The file "<name>" can not be added: <reason>." when
// unaddableReason names one, else the undecodable text.
std::string refusedFileText(const std::string& path);

// Probes the file at `path` through the facade. The job with the probed facts, or null when the
// file cannot be added (unaddableReason) or decoded (the probe failed with no length). Safe on
// any thread: the facade keeps its encoder alive while it probes.
std::unique_ptr<engine::ConversionJob> probeFile(engine::CQuillonMediaCntl& facade, const std::string& path);

// Probes the files as probeFile does, up to `atOnce` of them at the same time (reading a file mostly
// waits for the disk or the decoder's first frames); the jobs come in the order of `paths`.
std::vector<std::unique_ptr<engine::ConversionJob>>
probeFiles(engine::CQuillonMediaCntl& facade, const std::vector<std::string>& paths, unsigned atOnce);

// Probes as probeFile does, with the converter's own probe whichever encoder the facade holds.
std::unique_ptr<engine::ConversionJob> probeFileWithConverter(const std::string& programDirectory,
                                                              const std::string& path);

// Tells the user, once per run, that the media detector plugin cannot be loaded (files are then read
// by the converter alone). Call after a probe; nothing while the plugin works or before it is needed.
void reportMediaDetectorProblemOnce(UserPrompts& prompts);

// Appends a row for a probed job with a fresh profile parsed from `profileName`. Returns its index.
int appendProbedFile(FileList& list, const profiles::ProfileCatalogue& catalogue,
                     const std::string& profileName, std::unique_ptr<engine::ConversionJob> job);

// The files named on the program's command line (`morvane FILE...`, as the desktop's "Open with"
// passes them), made absolute against `currentDirectory`; empty arguments are dropped.
std::vector<std::string> commandLineFiles(const std::vector<std::string>& arguments,
                                          const std::string& currentDirectory);

// Adds one file to the list: probes it and, unless it cannot be decoded, appends its row. An
// file that cannot be added is reported through `prompts` and skipped. Returns the new row, or -1.
int addOneFile(FileList& list, engine::CQuillonMediaCntl& facade, const profiles::ProfileCatalogue& catalogue,
               const std::string& profileName, const std::string& path, UserPrompts& prompts);

// Adds a file probeFile or probeFiles gave `job` for (null: it cannot be decoded) as addOneFile does.
int addProbedFile(FileList& list, const profiles::ProfileCatalogue& catalogue, const std::string& profileName,
                  const std::string& path, std::unique_ptr<engine::ConversionJob> job, UserPrompts& prompts);

} // namespace morvane::app
