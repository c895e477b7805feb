#include "engine/preset_health.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "engine/command_builder.h"
#include "engine/conversion_job.h"
#include "engine/target_recipes.h"
#include "platform/file_identity.h"
#include "platform/process.h"
#include "platform/text_rules.h"
#include "platform/translation.h"
#include "profiles/media_type_table.h"

namespace morvane::engine {

namespace {

// The listing's rows follow a line of dashes: flags, then the name.
std::set<std::string, std::less<>> namesAfterLegend(std::string_view text, std::string_view legendEnd) {
    std::set<std::string, std::less<>> names;
    bool inRows = false;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (!inRows) {
            inRows = line.find(legendEnd) != std::string::npos;
            continue;
        }
        std::istringstream words(line);
        std::string flags;
        std::string name;
        if (words >> flags >> name) {
            names.insert(name);
        }
    }
    return names;
}

platform::Expected<std::string> outputOf(const std::vector<std::string>& argv) {
    platform::SpawnOptions options;
    options.stderrMode = platform::StdStream::Closed;
    auto started = platform::ChildProcess::start(argv, options);
    if (!started) {
        return started.failure();
    }
    platform::ChildProcess child = *std::move(started);
    std::string text;
    std::array<char, 4096> buffer{};
    for (ssize_t n = 0; (n = child.readStdout(buffer.data(), buffer.size())) > 0;) {
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    const auto status = child.wait();
    if (!status.success()) {
        return platform::Failure{"\"" + argv.front() + " " + argv.back() + "\" ended with " +
                                 status.describe()};
    }
    return text;
}

void writeCache(const FfmpegAbilities& abilities, const std::string& cacheFile) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(cacheFile).parent_path(), ec);
    const std::string temporary = cacheFile + ".new";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << abilitiesCacheText(abilities);
    std::filesystem::rename(temporary, cacheFile, ec);
}

struct Need {
    const char* encoder;
    const char* what;
};

// The encoder FFmpeg needs for each codec value the profiles name (the converter asks for these).
const std::map<std::string, Need, std::less<>>& videoNeeds() {
    static const std::map<std::string, Need, std::less<>> needs = {
        {"xvid", {"libxvid", "Xvid MPEG-4"}},
        {"h264", {"libx264", "H.264"}},
        {"x264", {"libx264", "H.264"}},
        {"libx265", {"libx265", "H.265"}},
        {"mpeg4", {"mpeg4", "MPEG-4 Visual"}},
        {"h263", {"h263", "H.263"}},
        {"flv", {"flv", "Sorenson Spark"}},
        {"wmv1", {"wmv1", "Windows Media Video 7"}},
        {"wmv2", {"wmv2", "Windows Media Video 8"}},
        {"msmpeg4", {"msmpeg4", "Microsoft MPEG-4 v3"}},
        {"msmpeg4v2", {"msmpeg4v2", "Microsoft MPEG-4 v2"}},
        {"mpeg1video", {"mpeg1video", "MPEG-1 video"}},
        {"mpeg2video", {"mpeg2video", "MPEG-2 video"}},
        {"mjpeg", {"mjpeg", "Motion JPEG"}},
        {"libvpx", {"libvpx", "VP8"}},
        {"vp8", {"libvpx", "VP8"}},
        {"theora", {"libtheora", "Theora"}},
        {"pal-dvd", {"mpeg2video", "MPEG-2 video"}},
        {"ntsc-dvd", {"mpeg2video", "MPEG-2 video"}},
        {"pal-svcd", {"mpeg2video", "MPEG-2 video"}},
        {"ntsc-svcd", {"mpeg2video", "MPEG-2 video"}},
        {"pal-vcd", {"mpeg1video", "MPEG-1 video"}},
        {"ntsc-vcd", {"mpeg1video", "MPEG-1 video"}},
    };
    return needs;
}

const std::map<std::string, Need, std::less<>>& audioNeeds() {
    static const std::map<std::string, Need, std::less<>> needs = {
        {"mp3", {"libmp3lame", "MP3"}},
        {"lame", {"libmp3lame", "MP3"}},
        {"aac", {"aac", "AAC"}},
        {"ac3", {"ac3", "AC-3"}},
        {"mp2", {"mp2", "MPEG audio layer 2"}},
        {"wmav1", {"wmav1", "Windows Media Audio 1"}},
        {"wmav2", {"wmav2", "Windows Media Audio 2"}},
        {"vorbis", {"libvorbis", "Vorbis"}},
        {"libopus", {"libopus", "Opus"}},
    };
    return needs;
}

// The muxer FFmpeg picks for an output extension, for the extensions the recipes and profiles write.
std::string muxerOfExtension(std::string_view extension) {
    static const std::map<std::string, std::string, std::less<>> muxers = {
        {"avi", "avi"},  {"mpg", "mpeg"},     {"mpeg", "mpeg"},   {"vob", "vob"}, {"wmv", "asf"},
        {"asf", "asf"},  {"wma", "asf"},      {"mov", "mov"},     {"mp4", "mp4"}, {"m4v", "ipod"},
        {"m4a", "ipod"}, {"3gp", "3gp"},      {"3g2", "3g2"},     {"flv", "flv"}, {"swf", "swf"},
        {"mp3", "mp3"},  {"aac", "adts"},     {"ac3", "ac3"},     {"mp2", "mp2"}, {"wav", "wav"},
        {"ogg", "ogg"},  {"mkv", "matroska"}, {"webm", "webm"},   {"rm", "rm"},   {"ra", "rm"},
        {"dv", "dv"},    {"ts", "mpegts"},    {"m2ts", "mpegts"}, {"gif", "gif"},
    };
    const auto found = muxers.find(platform::toLowerAscii(extension));
    return found != muxers.end() ? found->second : std::string();
}

// The muxer a "-target" value selects.
std::string muxerOfTarget(std::string_view value) {
    std::string kind = platform::toLowerAscii(value);
    for (const std::string_view prefix : {"pal-", "ntsc-", "film-"}) {
        if (kind.rfind(prefix, 0) == 0) {
            kind.erase(0, prefix.size());
            break;
        }
    }
    return kind == "dv50" ? "dv" : kind;
}

// The muxer a command's arguments name with "-f" or "-target" (the last one wins), or empty.
std::string namedMuxer(std::string_view arguments) {
    std::istringstream words{std::string(arguments)};
    std::string muxer;
    for (std::string word, value; words >> word;) {
        if ((word == "-f" || word == "-target") && words >> value) {
            muxer = word == "-target" ? muxerOfTarget(value) : value == "aac" ? "adts" : value;
        }
    }
    return muxer;
}

std::string extensionOf(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

std::string missingEncoder(const profiles::Profile& profile, const char* option,
                           const std::map<std::string, Need, std::less<>>& needs,
                           const FfmpegAbilities& abilities) {
    const auto* param = profile.findParam(option);
    if (param == nullptr) {
        return {};
    }
    const auto need = needs.find(platform::toLowerAscii(param->value));
    if (need == needs.end() || abilities.encoders.count(need->second.encoder) != 0) {
        return {};
    }
    return platform::withArguments(
        platform::translate("PresetHealth", "FFmpeg on this system has no encoder %1 (%2)"),
        {need->second.encoder, need->second.what});
}

} // namespace

std::set<std::string, std::less<>> parseEncoderList(std::string_view text) {
    return namesAfterLegend(text, "------");
}

std::set<std::string, std::less<>> parseMuxerList(std::string_view text) {
    return namesAfterLegend(text, " --");
}

std::string programStamp(const std::string& ffmpeg) {
    const auto program = platform::findProgram(ffmpeg);
    const auto version = program ? platform::fileVersion(*program) : std::nullopt;
    if (!version) {
        return {};
    }
    return std::to_string(version->device) + " " + std::to_string(version->inode) + " " +
           std::to_string(version->size) + " " + std::to_string(version->modifiedNs) + " " +
           std::to_string(version->changedNs) + " " + *program;
}

std::string abilitiesCacheText(const FfmpegAbilities& abilities) {
    std::string text = abilities.version + "\n";
    if (!abilities.program.empty()) {
        text += "program " + abilities.program + "\n";
    }
    for (const auto& name : abilities.encoders) {
        text += "encoder " + name + "\n";
    }
    for (const auto& name : abilities.muxers) {
        text += "muxer " + name + "\n";
    }
    return text;
}

FfmpegAbilities abilitiesFromCacheText(std::string_view text) {
    FfmpegAbilities abilities;
    std::istringstream lines{std::string(text)};
    std::getline(lines, abilities.version);
    std::string line;
    while (std::getline(lines, line)) {
        const auto blank = line.find(' ');
        if (blank == std::string::npos || blank + 1 == line.size()) {
            continue;
        }
        const std::string_view kind = std::string_view(line).substr(0, blank);
        std::string rest = line.substr(blank + 1);
        if (kind == "program") {
            abilities.program = std::move(rest);
        } else if (kind == "encoder" || kind == "muxer") {
            (kind == "encoder" ? abilities.encoders : abilities.muxers).insert(std::move(rest));
        }
    }
    return abilities;
}

platform::Expected<FfmpegAbilities> askFfmpegAbilities(const std::string& ffmpeg,
                                                       const std::string& cacheFile) {
    std::ifstream in(cacheFile, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const FfmpegAbilities cached = in ? abilitiesFromCacheText(text.str()) : FfmpegAbilities{};
    const std::string program = programStamp(ffmpeg);
    if (!program.empty() && cached.program == program && !cached.encoders.empty()) {
        return cached;
    }
    auto versionText = outputOf({ffmpeg, "-hide_banner", "-version"});
    if (!versionText) {
        return platform::Failure{versionText.error()};
    }
    const std::string version = versionText->substr(0, versionText->find('\n'));
    if (!version.empty() && cached.version == version && !cached.encoders.empty()) {
        FfmpegAbilities same = cached;
        same.program = program;
        writeCache(same, cacheFile);
        return same;
    }
    auto encoders = outputOf({ffmpeg, "-hide_banner", "-encoders"});
    auto muxers = encoders ? outputOf({ffmpeg, "-hide_banner", "-muxers"}) : encoders;
    if (!encoders || !muxers) {
        return platform::Failure{(!encoders ? encoders : muxers).error()};
    }
    FfmpegAbilities abilities{version, parseEncoderList(*encoders), parseMuxerList(*muxers), program};
    writeCache(abilities, cacheFile);
    return abilities;
}

std::string containerWritten(const profiles::Profile& profile) {
    if (profile.isRealMedia()) {
        return "rm"; // the producer writes it through FFmpeg
    }
    const auto code = profiles::MediaTypeTable::find(profile.MediaType);
    if (!code || *code == 0) {
        // The general path: the profile's own "f" option, else the extension.
        const auto* format = profile.findParam("f");
        const bool named =
            format != nullptr && !format->value.empty() && platform::toLowerAscii(format->value) != "auto";
        return named ? namedMuxer("-f " + format->value) : muxerOfExtension(profile.ExtName);
    }
    ConversionJob job;
    resetJobSettings(job);
    job.targetCode = *code;
    applyProfileOptions(&profile, &job);
    TargetRecipe recipe;
    if (!buildTargetRecipe(job, recipe)) {
        return {};
    }
    const std::string named = namedMuxer(recipe.arguments);
    return named.empty() ? muxerOfExtension(extensionOf(recipe.outputSuffix)) : named;
}

std::string missingPiece(const profiles::Profile& profile, const FfmpegAbilities& abilities) {
    const std::string muxer = containerWritten(profile);
    if (!muxer.empty() && abilities.muxers.count(muxer) == 0) {
        return platform::withArguments(
            platform::translate("PresetHealth", "FFmpeg on this system cannot write the %1 container"),
            {muxer});
    }
    if (profile.isRealMedia()) {
        return {};
    }
    if (auto video = missingEncoder(profile, "vcodec", videoNeeds(), abilities); !video.empty()) {
        return video;
    }
    return missingEncoder(profile, "acodec", audioNeeds(), abilities);
}

} // namespace morvane::engine
