#include "producer/library_settings.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <sstream>

#include "producer/failure.h"
#include "producer/key_value_file.h"

namespace morvane::producer {

namespace rm = realmedia;

namespace {

constexpr const char* kCommonFile = "producer.conf";
constexpr const char* kCodecsFile = "codecs.conf";
constexpr const char* kPluginsFile = "plugins.conf";

std::mutex g_settingsMutex;
std::shared_ptr<const LibrarySettings> g_settings;

platform::Expected<void> readPositive(const KeyValueFile& file, std::string_view key, int& target) {
    if (file.find(key) == nullptr) {
        return {};
    }
    const auto value = file.number(key);
    if (!value || *value < 1 || *value > 1e9) {
        return failure(rm::kInvalidData, "bad value for " + std::string(key));
    }
    target = static_cast<int>(*value);
    return {};
}

platform::Expected<KeyValueFile> readFile(const LibrarySettings& settings, const char* folderName,
                                          const char* fileName) {
    const std::string folder = settings.folder(folderName);
    if (folder.empty()) {
        return failure(rm::kInvalidArgument,
                       std::string("the access-path list has no ") + folderName + " entry");
    }
    const std::string path = joinPath(folder, fileName);
    auto read = KeyValueFile::read(path);
    if (!read) {
        return failure(rm::kFileNotFound, "cannot read " + path);
    }
    if (read->malformedLines() > 0) {
        return failure(rm::kInvalidData, path + " has lines that are not \"key=value\"");
    }
    return std::move(*read);
}

platform::Expected<void> readCodecs(const KeyValueFile& file, CodecSettings& codecs) {
    codecs.videoEncoder = file.text("video", codecs.videoEncoder);
    codecs.audioEncoder = file.text("audio", codecs.audioEncoder);
    if (const std::string* rates = file.find("sampleRates")) {
        codecs.sampleRates.clear();
        std::istringstream list(*rates);
        std::string item;
        while (std::getline(list, item, ',')) {
            const auto rate = KeyValueFile::parse("r=" + item).number("r");
            if (!rate || *rate < 8000 || *rate > 192000) {
                return failure(rm::kInvalidData, "bad sample rate \"" + item + "\" in the codec settings");
            }
            codecs.sampleRates.push_back(static_cast<int>(*rate));
        }
        std::sort(codecs.sampleRates.begin(), codecs.sampleRates.end());
        if (codecs.sampleRates.empty()) {
            return failure(rm::kInvalidData, "the codec settings list no sample rate");
        }
    }
    for (const auto& [key, target] :
         {std::pair{"sizeMultiple", &codecs.sizeMultiple}, std::pair{"maxPixels", &codecs.maxPixels},
          std::pair{"maxFrameKbits", &codecs.maxFrameKbits},
          std::pair{"minAudioBitrate", &codecs.minAudioKbps},
          std::pair{"maxAudioChannels", &codecs.maxAudioChannels}}) {
        if (auto read = readPositive(file, key, *target); !read) {
            return read;
        }
    }
    if (codecs.videoEncoder.empty() || codecs.audioEncoder.empty()) {
        return failure(rm::kInvalidData, "the codec settings name no encoder");
    }
    return {};
}

// The "name=path" entries of the access-path list.
platform::Expected<void> readAccessPaths(const char* accessPathList, LibrarySettings& settings) {
    if (accessPathList == nullptr) {
        return failure(rm::kPointer, "no access-path list");
    }
    std::size_t position = 0;
    while (position < rm::kAccessPathListBytes && accessPathList[position] != '\0') {
        const std::size_t length = ::strnlen(accessPathList + position, rm::kAccessPathListBytes - position);
        if (position + length >= rm::kAccessPathListBytes) {
            return failure(rm::kInvalidArgument, "the access-path list is not terminated");
        }
        const std::string_view entry(accessPathList + position, length);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos || equals == 0 || equals + 1 == entry.size()) {
            return failure(rm::kInvalidArgument, "bad access-path entry \"" + std::string(entry) + "\"");
        }
        settings.accessPaths[std::string(entry.substr(0, equals))] = std::string(entry.substr(equals + 1));
        position += length + 1;
    }
    return {};
}

} // namespace

std::string LibrarySettings::folder(std::string_view name) const {
    const auto found = accessPaths.find(name);
    return found == accessPaths.end() ? std::string() : found->second;
}

std::string LibrarySettings::pluginType(std::string_view name) const {
    const auto found = plugins.find(name);
    return found == plugins.end() ? std::string() : found->second;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') {
        path.push_back('/');
    }
    path.append(name);
    return path;
}

platform::Expected<LibrarySettings> loadLibrarySettings(const char* accessPathList) {
    LibrarySettings settings;
    if (auto read = readAccessPaths(accessPathList, settings); !read) {
        return read.failure();
    }
    auto common = readFile(settings, rm::kAccessPathCommon, kCommonFile);
    if (!common) {
        return common.failure();
    }
    auto codecs = readFile(settings, rm::kAccessPathCodecs, kCodecsFile);
    if (!codecs) {
        return codecs.failure();
    }
    auto plugins = readFile(settings, rm::kAccessPathPlugins, kPluginsFile);
    if (!plugins) {
        return plugins.failure();
    }
    settings.ffmpegProgram = common->text("ffmpeg", settings.ffmpegProgram);
    if (const auto period = common->number("progressPeriod")) {
        if (*period < 0.05 || *period > 10.0) {
            return failure(rm::kInvalidData, "bad value for progressPeriod");
        }
        settings.progressPeriod = *period;
    }
    if (settings.ffmpegProgram.empty()) {
        return failure(rm::kInvalidData, "no encoder program named");
    }
    if (auto read = readCodecs(*codecs, settings.codecs); !read) {
        return read.failure();
    }
    for (const auto& [name, type] : plugins->values()) {
        settings.plugins[name] = type;
    }
    return settings;
}

std::shared_ptr<const LibrarySettings> currentSettings() {
    const std::lock_guard lock(g_settingsMutex);
    return g_settings;
}

void installSettings(std::shared_ptr<const LibrarySettings> settings) {
    const std::lock_guard lock(g_settingsMutex);
    g_settings = std::move(settings);
}

} // namespace morvane::producer
