// Output paths composed from an output folder, a source's name and a profile's codec and extension
// values: the result is a file directly in the output folder, or a one-line refusal.
//
// Input: lines of text (folder, source name, video codec, audio codec, extension); the last byte picks
// the recipe's form of the suffix (the video recipes' "_<video>_<audio>.<ext>", the audio recipes'
// ".<ext>", the RealMedia bridge's "_new.<ext>").

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/file_guards.h"
#include "engine/output_path.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace morvane::fuzz {

void fuzzOutputPath(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t form = input.takeByte();
    std::string folder(input.takeLine());
    std::string source(input.takeLine());
    source.erase(std::remove(source.begin(), source.end(), '\0'), source.end()); // a file name has none
    const std::string video(input.takeLine());
    const std::string audio(input.takeLine());
    const std::string extension(input.rest());
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    // The base as the batch driver makes it: the folder and the source's file name without extension.
    std::string stem = source.substr(source.rfind('/') == std::string::npos ? 0 : source.rfind('/') + 1);
    stem = stem.substr(0, stem.rfind('.') == std::string::npos || stem.rfind('.') == 0 ? stem.size()
                                                                                       : stem.rfind('.'));
    const std::string base = folder + stem;
    const std::string suffix = form % 3 == 0   ? "_" + video + "_" + audio + "." + extension
                               : form % 3 == 1 ? "." + extension
                                               : "_new." + extension;
    const auto composed = engine::composeOutputPath(base, suffix);
    const bool leaves = suffix.find('/') != std::string::npos || suffix.find('\0') != std::string::npos;
    if (!composed) {
        MORVANE_FUZZ_CHECK(!composed.error().empty() && composed.error().find('\n') == std::string::npos,
                           shown(composed.error()));
        // Only a value that would leave the folder, or a name of dots only, is refused.
        const std::string whole = base + suffix;
        const std::string_view name = std::string_view(whole).substr(folder.size());
        MORVANE_FUZZ_CHECK(leaves || name.find_first_not_of('.') == std::string_view::npos,
                           shown(base) + " + " + shown(suffix));
        return;
    }
    MORVANE_FUZZ_CHECK(!leaves, shown(base) + " + " + shown(suffix) + " gave " + shown(*composed));
    // The file lies directly in the output folder, under a name the file system can hold.
    const std::string& path = *composed;
    MORVANE_FUZZ_CHECK(path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0,
                       shown(path));
    const std::string_view name = std::string_view(path).substr(folder.size());
    MORVANE_FUZZ_CHECK(name.find('/') == std::string_view::npos &&
                           name.find('\0') == std::string_view::npos &&
                           name.find_first_not_of('.') != std::string_view::npos,
                       shown(path));
    if (stem.size() + suffix.size() <= engine::kLongestOutputName) {
        MORVANE_FUZZ_CHECK(path == base + suffix, shown(path));
    } else {
        MORVANE_FUZZ_CHECK(name.size() <= engine::kLongestOutputName, shown(path));
    }
}

} // namespace morvane::fuzz

MORVANE_FUZZ_TARGET(fuzzOutputPath)
