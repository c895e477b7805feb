#include "producer/audience_definition.h"

#include "producer/failure.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace morvane::producer {

namespace rm = realmedia;

namespace {

// A whole number between `low` and `high`; a missing key that is not `required` leaves `target` alone.
struct WholeField {
    const char* key;
    int low;
    int high;
    bool required;
    int* target;
};

platform::Expected<void> readWhole(const KeyValueFile& file, const WholeField& field) {
    if (file.find(field.key) == nullptr) {
        if (field.required) {
            return platform::Failure{std::string("no ") + field.key};
        }
        return {};
    }
    const auto value = file.number(field.key);
    if (!value || *value < field.low || *value > field.high || std::floor(*value) != *value) {
        return platform::Failure{std::string("bad ") + field.key + " \"" + file.text(field.key) + "\""};
    }
    *field.target = static_cast<int>(*value);
    return {};
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

platform::Expected<AudienceDefinition> parseAudience(const KeyValueFile& file) {
    AudienceDefinition audience;
    audience.name = file.text("name");
    if (audience.name.empty()) {
        return platform::Failure{"no name"};
    }
    for (const WholeField& field : {
             WholeField{"totalBitrate", 1, 100000, true, &audience.totalKbps},
             WholeField{"videoShare", 0, 100, true, &audience.videoShare},
             WholeField{"audioShare", 0, 100, true, &audience.audioShare},
             WholeField{"maxSampleRate", 8000, 192000, false, &audience.maxSampleRate},
         }) {
        if (const auto read = readWhole(file, field); !read) {
            return platform::Failure{read.error()};
        }
    }
    if (audience.videoShare + audience.audioShare > 100 || audience.videoShare + audience.audioShare == 0) {
        return platform::Failure{"the shares must add up to between 1 and 100 percent"};
    }
    if (const std::string* rate = file.find("maxFrameRate")) {
        const auto value = file.number("maxFrameRate");
        if (!value || *value < 0.0 || *value > 240.0) {
            return platform::Failure{"bad maxFrameRate \"" + *rate + "\""};
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
        if (const auto read = readWhole(file, {"quality", 1, 100, true, &audience.quality}); !read) {
            return platform::Failure{read.error()};
        }
    } else {
        return platform::Failure{"bad rateControl \"" + control + "\""};
    }
    const std::string channels = file.text("audioChannels", "stereo");
    if (channels == "mono") {
        audience.channels = ChannelChoice::Mono;
    } else if (channels == "stereo") {
        audience.channels = ChannelChoice::Stereo;
    } else if (channels == "source") {
        audience.channels = ChannelChoice::Source;
    } else {
        return platform::Failure{"bad audioChannels \"" + channels + "\""};
    }
    return audience;
}

platform::Expected<std::vector<AudienceDefinition>> loadAudiences(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<AudienceDefinition> audiences;
    std::error_code failed;
    if (!fs::is_directory(folder, failed)) {
        return failure(rm::kFileNotFound, "no audiences folder \"" + folder + "\"");
    }
    fs::directory_iterator entries(folder, failed);
    if (failed) {
        return failure(rm::kAccessDenied,
                       "cannot list the audiences folder \"" + folder + "\": " + failed.message());
    }
    for (const fs::directory_entry& entry : entries) {
        const fs::path& path = entry.path();
        if (path.extension() != kAudienceFileExtension || !entry.is_regular_file(failed)) {
            continue;
        }
        const auto file = KeyValueFile::read(path.string());
        const auto audience = !file ? platform::Failure{"cannot be read"}
                              : file->malformedLines() > 0
                                  ? platform::Failure{"has lines that are not \"key=value\""}
                                  : parseAudience(*file);
        if (!audience) {
            return failure(rm::kInvalidData,
                           "the audience file \"" + path.string() + "\": " + audience.error());
        }
        audiences.push_back(*audience);
    }
    if (audiences.empty()) {
        return failure(rm::kFileNotFound, "the audiences folder \"" + folder + "\" holds no audience");
    }
    std::sort(audiences.begin(), audiences.end(),
              [](const AudienceDefinition& a, const AudienceDefinition& b) { return a.name < b.name; });
    const auto twice = std::adjacent_find(
        audiences.begin(), audiences.end(),
        [](const AudienceDefinition& a, const AudienceDefinition& b) { return a.name == b.name; });
    if (twice != audiences.end()) {
        return failure(rm::kInvalidData, "the audience \"" + twice->name + "\" is defined twice");
    }
    return audiences;
}

} // namespace morvane::producer
