#include "producer/audience_definition.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace morvane::producer {

namespace rm = realmedia;

namespace {

bool readWhole(const KeyValueFile& file, const char* key, int low, int high, bool required, int& target,
               std::string& error) {
    if (file.find(key) == nullptr) {
        if (required) {
            error = std::string("no ") + key;
            return false;
        }
        return true;
    }
    const auto value = file.number(key);
    if (!value || *value < low || *value > high || std::floor(*value) != *value) {
        error = std::string("bad ") + key + " \"" + file.text(key) + "\"";
        return false;
    }
    target = static_cast<int>(*value);
    return true;
}

} // namespace

const char* rateControlName(RateControl control) {
    switch (control) {
    case RateControl::Constant:
        return "cbr";
    case RateControl::Variable:
        return "vbr";
    case RateControl::Quality:
        return "quality";
    }
    return "cbr";
}

const char* channelChoiceName(ChannelChoice choice) {
    switch (choice) {
    case ChannelChoice::Mono:
        return "mono";
    case ChannelChoice::Stereo:
        return "stereo";
    case ChannelChoice::Source:
        return "source";
    }
    return "stereo";
}

bool parseAudience(const KeyValueFile& file, AudienceDefinition& audience, std::string& error) {
    audience = AudienceDefinition{};
    audience.name = file.text("name");
    if (audience.name.empty()) {
        error = "no name";
        return false;
    }
    if (!readWhole(file, "totalBitrate", 1, 100000, true, audience.totalKbps, error) ||
        !readWhole(file, "videoShare", 0, 100, true, audience.videoShare, error) ||
        !readWhole(file, "audioShare", 0, 100, true, audience.audioShare, error) ||
        !readWhole(file, "maxSampleRate", 8000, 192000, false, audience.maxSampleRate, error)) {
        return false;
    }
    if (audience.videoShare + audience.audioShare > 100 || audience.videoShare + audience.audioShare == 0) {
        error = "the shares must add up to between 1 and 100 percent";
        return false;
    }
    if (const std::string* rate = file.find("maxFrameRate")) {
        const auto value = file.number("maxFrameRate");
        if (!value || *value < 0.0 || *value > 240.0) {
            error = "bad maxFrameRate \"" + *rate + "\"";
            return false;
        }
        audience.maxFrameRate = *value;
    }
    const std::string control = file.text("rateControl", "cbr");
    if (control == "cbr") {
        audience.rateControl = RateControl::Constant;
    } else if (control == "vbr") {
        audience.rateControl = RateControl::Variable;
    } else if (control == "quality") {
        audience.rateControl = RateControl::Quality;
        if (!readWhole(file, "quality", 1, 100, true, audience.quality, error)) {
            return false;
        }
    } else {
        error = "bad rateControl \"" + control + "\"";
        return false;
    }
    const std::string channels = file.text("audioChannels", "stereo");
    if (channels == "mono") {
        audience.channels = ChannelChoice::Mono;
    } else if (channels == "stereo") {
        audience.channels = ChannelChoice::Stereo;
    } else if (channels == "source") {
        audience.channels = ChannelChoice::Source;
    } else {
        error = "bad audioChannels \"" + channels + "\"";
        return false;
    }
    return true;
}

Status loadAudiences(const std::string& folder, std::vector<AudienceDefinition>& audiences,
                     std::string& error) {
    namespace fs = std::filesystem;
    audiences.clear();
    std::error_code failure;
    if (!fs::is_directory(folder, failure)) {
        error = "no audiences folder \"" + folder + "\"";
        return rm::kFileNotFound;
    }
    fs::directory_iterator entries(folder, failure);
    if (failure) {
        error = "cannot list the audiences folder \"" + folder + "\": " + failure.message();
        return rm::kAccessDenied;
    }
    for (const fs::directory_entry& entry : entries) {
        const fs::path& path = entry.path();
        if (path.extension() != kAudienceFileExtension || !entry.is_regular_file(failure)) {
            continue;
        }
        const auto file = KeyValueFile::read(path.string());
        AudienceDefinition audience;
        std::string why;
        if (!file) {
            why = "cannot be read";
        } else if (file->malformedLines() > 0) {
            why = "has lines that are not \"key=value\"";
        }
        if (!why.empty() || !parseAudience(*file, audience, why)) {
            error = "the audience file \"" + path.string() + "\": " + why;
            return rm::kInvalidData;
        }
        audiences.push_back(std::move(audience));
    }
    if (audiences.empty()) {
        error = "the audiences folder \"" + folder + "\" holds no audience";
        return rm::kFileNotFound;
    }
    std::sort(audiences.begin(), audiences.end(),
              [](const AudienceDefinition& a, const AudienceDefinition& b) { return a.name < b.name; });
    const auto twice = std::adjacent_find(
        audiences.begin(), audiences.end(),
        [](const AudienceDefinition& a, const AudienceDefinition& b) { return a.name == b.name; });
    if (twice != audiences.end()) {
        error = "the audience \"" + twice->name + "\" is defined twice";
        return rm::kInvalidData;
    }
    return rm::kOk;
}

} // namespace morvane::producer
