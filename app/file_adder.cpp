#include "app/file_adder.h"

#include "app/batch_cli.h"
#include "engine/media_probe.h"
#include "engine/quillon_media_cntl.h"
#include "platform/time_text.h"
#include "profiles/profile_catalogue.h"

namespace morvane::app {

std::string undecodableFileText(const std::string& path) {
    return "The file \"" + platform::fileNameOfPath(path).value_or(std::string()) + "\" can not be decoded.";
}

namespace {

// Probes with `probe` into a fresh job for `path`: the job, or null when the file cannot be decoded.
template <typename Probe>
std::unique_ptr<engine::ConversionJob> probed(const std::string& path, Probe&& probe) {
    auto job = std::make_unique<engine::ConversionJob>();
    job->sourcePath = path;
    // A path longer than the job can hold would name another file: refuse it as undecodable.
    const bool pathFits = job->sourcePath.view() == path;
    const std::int32_t result = pathFits ? probe(job->sourcePath.c_str(), job.get()) : 0;
    if (result == 0 && (job->duration == 0.0 || !pathFits)) {
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

std::unique_ptr<engine::ConversionJob> probeFileWithConverter(const std::string& programDirectory,
                                                              const std::string& path) {
    return probed(path, [&](const char* p, engine::ConversionJob* job) {
        return engine::probeMediaFile(programDirectory, p, job);
    });
}

int appendProbedFile(FileList& list, const profiles::ProfileCatalogue& catalogue,
                     const std::string& profileName, std::unique_ptr<engine::ConversionJob> job) {
    auto profile = std::make_unique<profiles::Profile>();
    profiles::parseProfile(catalogue, profileName, *profile);
    return list.append(std::move(job), std::move(profile));
}

int addOneFile(FileList& list, engine::CQuillonMediaCntl& facade, const profiles::ProfileCatalogue& catalogue,
               const std::string& profileName, const std::string& path, UserPrompts& prompts) {
    auto job = probeFile(facade, path);
    if (!job) {
        prompts.ask(Message{undecodableFileText(path), "Error", MessageIcon::Stop, MessageButtons::Ok});
        return -1;
    }
    return appendProbedFile(list, catalogue, profileName, std::move(job));
}

} // namespace morvane::app
