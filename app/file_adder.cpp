#include "app/file_adder.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "app/batch_cli.h"
#include "engine/media_probe.h"
#include "engine/quillon_media_cntl.h"
#include "media/media_plugin.h"
#include "platform/file_identity.h"
#include "platform/time_text.h"
#include "platform/translation.h"
#include "profiles/profile_catalogue.h"

namespace morvane::app {

std::string undecodableFileText(const std::string& path) {
    return platform::withArguments(platform::translate("FileAdder", "The file \"%1\" can not be decoded."),
                                   {platform::fileNameOfPath(path).value_or(std::string())});
}

std::optional<std::string> unaddableReason(const std::string& path) {
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end - start > NAME_MAX) {
            return platform::withArguments(
                end == path.size()
                    ? platform::translate("FileAdder",
                                          "its name is %1 bytes long; a file system holds names of "
                                          "at most %2 bytes")
                    : platform::translate("FileAdder",
                                          "the name of a folder in its path is %1 bytes long; a file "
                                          "system holds names of at most %2 bytes"),
                {std::to_string(end - start), std::to_string(NAME_MAX)});
        }
        start = end + 1;
    }
    constexpr std::size_t kLongestPath = engine::kJobPathCapacity - 1;
    if (path.size() > kLongestPath) {
        return platform::withArguments(
            platform::translate(
                "FileAdder", "its path is %1 bytes long; files are converted from paths of at most %2 bytes"),
            {std::to_string(path.size()), std::to_string(kLongestPath)});
    }
    if (const auto kind = platform::irregularFileKind(path)) {
        return platform::withArguments(platform::translate("FileAdder", "it is %1, not a file"), {*kind});
    }
    if (::access(path.c_str(), R_OK) != 0) {
        const int error = errno;
        return error == ENOENT
                   ? platform::translate("FileAdder", "it is not there")
                   : platform::translate("FileAdder", "it cannot be read: ") + std::strerror(error);
    }
    return std::nullopt;
}

std::string refusedFileText(const std::string& path) {
    const auto reason = unaddableReason(path);
    return reason ? platform::withArguments(
                        platform::translate("FileAdder", "The file \"%1\" can not be added: %2."),
                        {platform::fileNameOfPath(path).value_or(std::string()), *reason})
                  : undecodableFileText(path);
}

namespace {

// Probes with `probe` into a fresh job for `path`: the job, or null when the file cannot be decoded.
template <typename Probe>
std::unique_ptr<engine::ConversionJob> probed(const std::string& path, Probe&& probe) {
    if (unaddableReason(path)) {
        return nullptr;
    }
    auto job = std::make_unique<engine::ConversionJob>();
    job->sourcePath = path;
    if (probe(job->sourcePath.c_str(), job.get()) == 0 && job->duration == 0.0) {
        return nullptr;
    }
    return job;
}

} // namespace

std::vector<std::string> commandLineFiles(const std::vector<std::string>& arguments,
                                          const std::string& currentDirectory) {
    std::vector<std::string> files;
    for (const auto& argument : arguments) {
        if (!argument.empty()) {
            files.push_back(absolutePath(argument, currentDirectory));
        }
    }
    return files;
}

std::unique_ptr<engine::ConversionJob> probeFile(engine::CQuillonMediaCntl& facade, const std::string& path) {
    return probed(
        path, [&](const char* p, engine::ConversionJob* job) { return facade.bGetMediaFileContent(p, job); });
}

std::vector<std::unique_ptr<engine::ConversionJob>>
probeFiles(engine::CQuillonMediaCntl& facade, const std::vector<std::string>& paths, unsigned atOnce) {
    std::vector<std::unique_ptr<engine::ConversionJob>> jobs(paths.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            jobs[i] = probeFile(facade, paths[i]);
        }
    };
    std::vector<std::jthread> helpers;
    for (unsigned i = 1; i < std::min<std::size_t>(std::max(atOnce, 1U), paths.size()); ++i) {
        helpers.emplace_back(work);
    }
    work();
    helpers.clear(); // waits for them
    return jobs;
}

std::unique_ptr<engine::ConversionJob> probeFileWithConverter(const std::string& programDirectory,
                                                              const std::string& path) {
    return probed(path, [&](const char* p, engine::ConversionJob* job) {
        return engine::probeMediaFile(programDirectory, p, job);
    });
}

void reportMediaDetectorProblemOnce(UserPrompts& prompts) {
    static std::atomic<bool> told{false};
    const std::string problem = media::mediaPluginProblem();
    if (problem.empty() || told.exchange(true)) {
        return;
    }
    prompts.ask(
        Message{media::mediaPluginProblemText(problem), "Warning", MessageIcon::Warning, MessageButtons::Ok});
}

int appendProbedFile(FileList& list, const profiles::ProfileCatalogue& catalogue,
                     const std::string& profileName, std::unique_ptr<engine::ConversionJob> job) {
    auto profile = std::make_unique<profiles::Profile>();
    profiles::parseProfile(catalogue, profileName, *profile);
    return list.append(std::move(job), std::move(profile));
}

int addOneFile(FileList& list, engine::CQuillonMediaCntl& facade, const profiles::ProfileCatalogue& catalogue,
               const std::string& profileName, const std::string& path, UserPrompts& prompts) {
    return addProbedFile(list, catalogue, profileName, path, probeFile(facade, path), prompts);
}

int addProbedFile(FileList& list, const profiles::ProfileCatalogue& catalogue, const std::string& profileName,
                  const std::string& path, std::unique_ptr<engine::ConversionJob> job, UserPrompts& prompts) {
    reportMediaDetectorProblemOnce(prompts);
    if (!job) {
        prompts.ask(Message{refusedFileText(path), "Error", MessageIcon::Stop, MessageButtons::Ok});
        return -1;
    }
    return appendProbedFile(list, catalogue, profileName, std::move(job));
}

} // namespace morvane::app
