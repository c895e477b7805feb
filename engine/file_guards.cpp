#include "engine/file_guards.h"
#include "engine/output_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/fixed_text.h"
#include "platform/unique_fd.h"
#include "platform/work_files.h"

namespace morvane::engine {

namespace {

// An extension longer than this is taken as part of the name when a name is cut.
constexpr std::size_t kLongestKeptExtension = 16;

std::uint32_t nameHash(std::string_view text) {
    std::uint32_t hash = 2166136261U; // FNV-1a
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619U;
    }
    return hash;
}

struct PathParts {
    std::string folder;         // up to and without the last separator; "." when there is none
    std::string stem;           // the file name up to its extension
    std::string extension;      // from the last dot of the file name, empty when it has none
    std::size_t nameOffset = 0; // where the file name starts in the path
};

PathParts splitPath(std::string_view path) {
    PathParts parts;
    const auto slash = path.rfind('/');
    parts.nameOffset = slash == std::string_view::npos ? 0 : slash + 1;
    parts.folder = slash == std::string_view::npos ? "."
                   : slash == 0                    ? "/"
                                                   : std::string(path.substr(0, slash));
    const std::string_view name = path.substr(parts.nameOffset);
    const auto dot = name.rfind('.');
    // A leading dot only hides a file; it starts no extension.
    const std::size_t cut = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    parts.stem = name.substr(0, cut);
    parts.extension = name.substr(cut);
    return parts;
}

// A work file of the converter for the output named `outputName`: the name the converter gives that
// output's work file with the tag this one carries.
bool isWorkFileOf(std::string_view name, std::string_view outputName) {
    constexpr std::string_view kMark = platform::kConverterWorkMark;
    if (!platform::isWorkFileName(name, kMark)) {
        return false;
    }
    // After the tag comes at most an extension, which holds no second dot: the last mark is the one.
    const auto mark = name.rfind(kMark);
    const std::string_view tag = name.substr(mark + kMark.size(), platform::kWorkTagLength);
    return name == platform::workFileName(outputName, kMark, tag);
}

} // namespace

std::optional<std::string> sourceProblem(const std::string& sourcePath) {
    struct stat info {};
    if (::stat(sourcePath.c_str(), &info) != 0) {
        const int error = errno;
        return "The source file \"" + sourcePath + "\" cannot be read: " + std::strerror(error);
    }
    if (S_ISDIR(info.st_mode)) {
        return "The source \"" + sourcePath + "\" is a folder, not a media file";
    }
    if (!S_ISREG(info.st_mode)) {
        return "The source \"" + sourcePath +
               "\" is not a regular file (a named pipe or a device); the converter would wait for it forever";
    }
    return std::nullopt;
}

std::string fitOutputFileName(std::string_view path, std::size_t longest) {
    const PathParts parts = splitPath(path);
    const std::size_t nameLength = path.size() - parts.nameOffset;
    char tag[16];
    std::snprintf(tag, sizeof tag, "~%08x", static_cast<unsigned>(nameHash(path.substr(parts.nameOffset))));
    const std::size_t tagLength = std::strlen(tag);
    if (nameLength <= longest || longest < tagLength + 1) {
        return std::string(path);
    }
    std::string_view extension = parts.extension;
    if (extension.size() > kLongestKeptExtension || extension.size() + tagLength + 1 > longest) {
        extension = {};
    }
    const std::string_view name = path.substr(parts.nameOffset);
    const std::string_view stem = name.substr(0, name.size() - extension.size());
    std::string fitted(path.substr(0, parts.nameOffset));
    fitted += platform::utf8Prefix(stem, longest - tagLength - extension.size());
    fitted += tag;
    fitted += extension;
    return fitted;
}

platform::Expected<std::string> composeOutputPath(std::string_view base, std::string_view suffix) {
    const auto separator = suffix.find_first_of(std::string_view("/\0", 2));
    if (separator != std::string_view::npos) {
        // The reason stays one line whatever the value holds.
        std::string shown(suffix.substr(0, suffix.find('\0')));
        std::replace_if(
            shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
        return platform::Failure{
            "the output name part \"" + shown + "\" holds " +
            (suffix[separator] == '/' ? "a path separator" : "a zero byte") +
            ", which would put the output outside the output folder (a codec or extension value of the "
            "profile)"};
    }
    std::string output = fitOutputFileName(std::string(base) + std::string(suffix));
    const PathParts parts = splitPath(output);
    const std::string_view name = std::string_view(output).substr(parts.nameOffset);
    if (name.find_first_not_of('.') == std::string_view::npos) {
        return platform::Failure{"the output name \"" + std::string(name) +
                                 "\" names no file in the output folder"};
    }
    return output;
}

std::vector<std::string> converterWorkFiles(const std::string& outputPath) {
    std::vector<std::string> found;
    const PathParts parts = splitPath(outputPath);
    if (parts.stem.empty()) {
        return found;
    }
    DIR* folder = ::opendir(parts.folder.c_str());
    if (folder == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(folder)) {
        if (isWorkFileOf(entry->d_name, std::string_view(outputPath).substr(parts.nameOffset))) {
            found.push_back(outputPath.substr(0, parts.nameOffset) + entry->d_name);
        }
    }
    ::closedir(folder);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> removeNewWorkFiles(const std::string& outputPath,
                                            const std::vector<std::string>& before) {
    std::vector<std::string> removed;
    const PathParts parts = splitPath(outputPath);
    const platform::UniqueFd folder(::open(parts.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const auto& path : converterWorkFiles(outputPath)) {
        if (std::find(before.begin(), before.end(), path) != before.end()) {
            continue;
        }
        // Only a file the converter marked as its work file, and that no running converter holds.
        const std::string name = path.substr(parts.nameOffset);
        const platform::UniqueFd held =
            folder.valid() ? platform::takeAbandonedWorkFile(folder.get(), name) : platform::UniqueFd();
        if (held.valid() && ::unlinkat(folder.get(), name.c_str(), 0) == 0) {
            removed.push_back(path);
        }
    }
    return removed;
}

} // namespace morvane::engine
