#include "producer/library_settings.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <sstream>

#include "producer/key_value_file.h"

namespace morvane::producer {

namespace rm = realmedia;

namespace {

constexpr const char* kCommonFile = "producer.conf";
constexpr const char* kCodecsFile = "codecs.conf";
constexpr const char* kPluginsFile = "plugins.conf";

std::mutex g_settingsMutex;
std::shared_ptr<const LibrarySettings> g_settings;

bool readPositive(const KeyValueFile& file, std::string_view key, int& target, std::string& error) {
    if (file.find(key) == nullptr) {
        return true;
    }
    const auto value = file.number(key);
    if (!value || *value < 1 || *value > 1e9) {
        error = "bad value for " + std::string(key);
        return false;
    }
    target = static_cast<int>(*value);
    return true;
}

Status readFile(const LibrarySettings& settings, const char* folderName, const char* fileName,
                KeyValueFile& file, std::string& error) {
    const std::string folder = settings.folder(folderName);
    if (folder.empty()) {
        error = std::string("the access-path list has no ") + folderName + " entry";
        return rm::kInvalidArgument;
    }
    const std::string path = joinPath(folder, fileName);
    auto read = KeyValueFile::read(path);
    if (!read) {
        error = "cannot read " + path;
        return rm::kFileNotFound;
    }
    if (read->malformedLines() > 0) {
        error = path + " has lines that are not \"key=value\"";
        return rm::kInvalidData;
    }
    file = std::move(*read);
    return rm::kOk;
}

Status readCodecs(const KeyValueFile& file, CodecSettings& codecs, std::string& error) {
    codecs.videoEncoder = file.text("video", codecs.videoEncoder);
    codecs.audioEncoder = file.text("audio", codecs.audioEncoder);
    if (const std::string* rates = file.find("sampleRates")) {
        codecs.sampleRates.clear();
        std::istringstream list(*rates);
        std::string item;
        while (std::getline(list, item, ',')) {
            const auto rate = KeyValueFile::parse("r=" + item).number("r");
            if (!rate || *rate < 8000 || *rate > 192000) {
                error = "bad sample rate \"" + item + "\" in the codec settings";
                return rm::kInvalidData;
            }
            codecs.sampleRates.push_back(static_cast<int>(*rate));
        }
        std::sort(codecs.sampleRates.begin(), codecs.sampleRates.end());
        if (codecs.sampleRates.empty()) {
            error = "the codec settings list no sample rate";
            return rm::kInvalidData;
        }
    }
    if (!readPositive(file, "sizeMultiple", codecs.sizeMultiple, error) ||
        !readPositive(file, "maxPixels", codecs.maxPixels, error) ||
        !readPositive(file, "maxFrameKbits", codecs.maxFrameKbits, error) ||
        !readPositive(file, "minAudioBitrate", codecs.minAudioKbps, error) ||
        !readPositive(file, "maxAudioChannels", codecs.maxAudioChannels, error)) {
        return rm::kInvalidData;
    }
    if (codecs.videoEncoder.empty() || codecs.audioEncoder.empty()) {
        error = "the codec settings name no encoder";
        return rm::kInvalidData;
    }
    return rm::kOk;
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

Status loadLibrarySettings(const char* accessPathList, LibrarySettings& settings, std::string& error) {
    if (accessPathList == nullptr) {
        error = "no access-path list";
        return rm::kPointer;
    }
    std::size_t position = 0;
    while (position < rm::kAccessPathListBytes && accessPathList[position] != '\0') {
        const std::size_t length = ::strnlen(accessPathList + position, rm::kAccessPathListBytes - position);
        if (position + length >= rm::kAccessPathListBytes) {
            error = "the access-path list is not terminated";
            return rm::kInvalidArgument;
        }
        const std::string_view entry(accessPathList + position, length);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos || equals == 0 || equals + 1 == entry.size()) {
            error = "bad access-path entry \"" + std::string(entry) + "\"";
            return rm::kInvalidArgument;
        }
        settings.accessPaths[std::string(entry.substr(0, equals))] = std::string(entry.substr(equals + 1));
        position += length + 1;
    }

    KeyValueFile common;
    KeyValueFile codecs;
    KeyValueFile plugins;
    if (const Status status = readFile(settings, rm::kAccessPathCommon, kCommonFile, common, error);
        rm::failed(status)) {
        return status;
    }
    if (const Status status = readFile(settings, rm::kAccessPathCodecs, kCodecsFile, codecs, error);
        rm::failed(status)) {
        return status;
    }
    if (const Status status = readFile(settings, rm::kAccessPathPlugins, kPluginsFile, plugins, error);
        rm::failed(status)) {
        return status;
    }
    settings.ffmpegProgram = common.text("ffmpeg", settings.ffmpegProgram);
    if (const auto period = common.number("progressPeriod")) {
        if (*period < 0.05 || *period > 10.0) {
            error = "bad value for progressPeriod";
            return rm::kInvalidData;
        }
        settings.progressPeriod = *period;
    }
    if (settings.ffmpegProgram.empty()) {
        error = "no encoder program named";
        return rm::kInvalidData;
    }
    if (const Status status = readCodecs(codecs, settings.codecs, error); rm::failed(status)) {
        return status;
    }
    for (const auto& [name, type] : plugins.values()) {
        settings.plugins[name] = type;
    }
    return rm::kOk;
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
