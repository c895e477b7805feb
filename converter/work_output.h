#pragma once

// The files the converter writes before a conversion has succeeded. Where the file system allows it
// the output is written to an unnamed file in the output's folder that gets its name only when the
// conversion has succeeded, so a converter killed outright leaves nothing behind. Elsewhere (or when
// two-pass logs need names beside it) the output is a named work file
// "<name without extension>.vec-part-<six letters or digits><extension>" that its run holds locked;
// the next conversion into the folder removes the work files whose runs have gone.

#include <string>
#include <vector>

#include "platform/expected.h"
#include "platform/unique_fd.h"
#include "platform/unnamed_file.h"

namespace morvane::converter {

class WorkOutput {
public:
    enum class Kind { Unnamed, Named };

    // Opens the work file for `outputPath`; `named` asks for a named one. Never touches a file that
    // is there.
    static platform::Expected<WorkOutput> create(const std::string& outputPath, bool named);

    WorkOutput() = default;
    WorkOutput(WorkOutput&& other) noexcept;
    WorkOutput& operator=(WorkOutput&& other) noexcept;
    WorkOutput(const WorkOutput&) = delete;
    WorkOutput& operator=(const WorkOutput&) = delete;
    // Removes whatever was not put in place.
    ~WorkOutput();

    Kind kind() const { return m_kind; }
    // The descriptor FFmpeg gets as its descriptor 3, or -1 when it opens a named file.
    int passedDescriptor() const { return m_kind == Kind::Unnamed ? m_unnamed.fd() : -1; }
    // The path FFmpeg writes to.
    std::string ffmpegPath() const;
    // The prefix of the two-pass logs written for this run: beside the work file, under its name.
    std::string passLogPrefix() const;
    // Bytes written so far; -1 when unknown.
    long long size() const;

    // Gives the result its name: replacing a file that is there, or only where no file is (EEXIST
    // otherwise). 0 or the error.
    int place(bool replace);
    // Renames the two-pass logs written under passLogPrefix() to the names that `publicPrefix` gives
    // them (FFmpeg's "<prefix>-<stream>.log", ".mbtree" beside it), replacing earlier ones. 0 or the
    // error.
    int placePassLogs(const std::string& publicPrefix);
    // Removes the work file and the logs written beside it.
    void discard();

private:
    Kind m_kind = Kind::Named;
    std::string m_output;
    std::string m_path;      // the named work file, or the name the unnamed one takes before it replaces
    platform::UniqueFd m_fd; // the named work file, held locked
    platform::UnnamedFile m_unnamed;
    bool m_done = true; // nothing left to remove
};

// Removes from `folder` the work files (and their two-pass logs) of converters that are no longer
// running: files marked as work files under their own name (platform/work_files.h) whose lock can
// be taken, never one of the files `keep` (the run's own input). A log goes only with its work file.
// Gives the names removed.
std::vector<std::string> removeAbandonedWorkFiles(const std::string& folder,
                                                  const std::vector<std::string>& keep = {});

} // namespace morvane::converter
