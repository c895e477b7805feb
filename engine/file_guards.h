#pragma once

// Checks on the files a conversion reads and writes, made before and after the converter runs: a
// source the converter could not read (or would wait on forever), output names the file system
// cannot hold, and the converter's work files that a killed converter leaves behind.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::engine {

// The longest output file name asked of the converter: the file systems' 255 bytes less room for
// the work file it writes beside the output under a longer name.
inline constexpr std::size_t kLongestOutputName = 255 - 32;

// Why the source cannot be converted, or nothing when the converter may try: a source that is
// gone, a folder, or not a regular file (a named pipe or a device would keep the converter waiting
// for data that never comes).
std::optional<std::string> sourceProblem(const std::string& sourcePath);

// `path` with its file name cut to at most `longest` bytes when it is longer: the extension stays,
// the rest is cut on a UTF-8 boundary and followed by "~" and eight hexadecimal digits of a hash of
// the whole name, so that two long names sharing their beginning still name two files.
std::string fitOutputFileName(std::string_view path, std::size_t longest = kLongestOutputName);

// The converter's work files for an output path that lie in its folder now:
// "<name without extension>.vec-part-<six letters or digits><extension>".
std::vector<std::string> converterWorkFiles(const std::string& outputPath);

// Removes the work files of `outputPath` that were not there before the run (`before`); gives the
// paths removed.
std::vector<std::string> removeNewWorkFiles(const std::string& outputPath,
                                            const std::vector<std::string>& before);

} // namespace morvane::engine
