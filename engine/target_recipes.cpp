#include "engine/target_recipes.h"

#include "engine/command_pieces.h"
#include "profiles/media_type_table.h"

namespace morvane::engine {

namespace {

namespace targets = profiles;

// The converter's encoder for a codec the profile names by its short name; case matters here.
struct CodecRename {
    std::string_view from;
    std::string_view to; // with the blanks the command line needs around it
};

std::string codecArgument(std::string_view codec, std::initializer_list<CodecRename> renames) {
    for (const auto& rename : renames) {
        if (codec == rename.from) {
            return std::string(rename.to);
        }
    }
    return bareArgument(codec);
}

std::string videoSuffix(const ConversionJob& job, std::string_view extension) {
    std::string suffix = "_";
    suffix += job.videoCodec.view();
    suffix += "_";
    suffix += job.audioCodec.view();
    suffix += extension;
    return suffix;
}

constexpr std::string_view kMp3 = " libmp3lame ";
constexpr std::string_view kAac = " libfaac ";
constexpr std::string_view kX264 = " libx264 ";
constexpr std::string_view kXvid = " libxvid ";

bool aviRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    out += " -vcodec ";
    switch (job.variant) {
    case 0:
        out += " libxvid ";
        out += " -vtag xvid ";
        break;
    case 1:
        out += " mpeg4 -vtag divx ";
        break;
    case 2:
        out += bareArgument(job.videoCodec.view());
        out += " -vtag MP43 ";
        break;
    default:
        out += codecArgument(job.videoCodec.view(), {{"h264", kX264}});
        break;
    }
    out += " -acodec ";
    out += codecArgument(job.audioCodec.view(), {{"mp3", kMp3}});
    recipe.outputSuffix = videoSuffix(job, ".avi");
    return true;
}

bool mpegRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    const std::string_view video = job.videoCodec.view();
    out += video == "mpeg1video" || video == "mpeg2video" ? " -vcodec " : " -target ";
    out += bareArgument(video);
    out += " -acodec ";
    out += bareArgument(job.audioCodec.view());
    out += " -mbd 2 -qmin 2 ";
    recipe.outputSuffix = videoSuffix(job, ".mpg");
    return true;
}

bool wmvRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    const std::string_view video = job.videoCodec.view();
    out += " -vcodec ";
    out += bareArgument(video);
    out += " -acodec ";
    out += bareArgument(job.audioCodec.view());
    recipe.outputSuffix = videoSuffix(job, video == "wmv2" || video == "wmv1" ? ".wmv" : ".asf");
    return true;
}

bool movRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    out += " -vcodec ";
    switch (job.variant) {
    case 0:
        out += " libxvid ";
        break;
    case 1:
        out += " mpeg4 ";
        break;
    default:
        out += bareArgument(job.videoCodec.view());
        break;
    }
    out += " -acodec ";
    out += codecArgument(job.audioCodec.view(), {{"mp3", kMp3}, {"aac", kAac}});
    recipe.outputSuffix = videoSuffix(job, ".mov");
    return true;
}

bool flvRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    std::string_view extension;
    switch (job.variant) {
    case 0:
        out += " -f ";
        extension = ".swf";
        break;
    case 1:
        out += " -vcodec ";
        extension = ".flv";
        break;
    default:
        return false;
    }
    out += bareArgument(job.videoCodec.view());
    out += " -acodec ";
    out += codecArgument(job.audioCodec.view(), {{"mp3", kMp3}});
    recipe.outputSuffix = videoSuffix(job, extension);
    return true;
}

bool ipodRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    out += " -vcodec ";
    out += codecArgument(job.videoCodec.view(), {{"h264", kX264}});
    out += " -acodec ";
    out += codecArgument(job.audioCodec.view(), {{"aac", kAac}});
    out += ipodTuning(job.variant);
    recipe.outputSuffix = videoSuffix(job, job.variant == 12 ? ".mov" : ".mp4");
    return true;
}

bool pspRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    out += " -vcodec ";
    out += codecArgument(job.videoCodec.view(), {{"h264", kX264}, {"xvid", kXvid}});
    out += " -acodec ";
    out += codecArgument(job.audioCodec.view(), {{"aac", kAac}});
    out += " -f psp ";
    out += " -bufsize 10M ";
    out += pspTuning(job.variant);
    recipe.outputSuffix = videoSuffix(job, ".mp4");
    return true;
}

bool mp4Recipe(const ConversionJob& job, TargetRecipe& recipe) {
    std::string& out = recipe.arguments;
    out += " -vcodec ";
    out += codecArgument(job.videoCodec.view(), {{"h264", kX264}, {"xvid", kXvid}});
    out += " -acodec ";
    out += codecArgument(job.audioCodec.view(), {{"aac", kAac}, {"amr_nb", " libamr_nb "}, {"mp3", kMp3}});
    std::string_view extension = ".mp4";
    switch (job.variant) {
    case 0:
        out += " -f 3gp ";
        extension = ".3gp";
        break;
    case 1:
        out += " -f 3g2 ";
        extension = ".3g2";
        break;
    case 2:
    case 3:
        extension = ".avi";
        break;
    case 4:
        extension = ".wmv";
        break;
    case 7:
        extension = ".mpg";
        break;
    case 8:
        extension = ".mov";
        break;
    default:
        break;
    }
    recipe.outputSuffix = videoSuffix(job, extension);
    return true;
}

bool audioRecipe(std::string_view arguments, std::string_view extension, TargetRecipe& recipe) {
    recipe.arguments += arguments;
    recipe.outputSuffix = extension;
    return true;
}

} // namespace

std::string_view ipodTuning(std::int32_t variant) {
    switch (variant) {
    case 0:
    case 1:
    case 12:
        return " -qmin 10 -qmax 31 -maxrate 768k -bufsize 10M ";
    case 2:
    case 3:
        return " -qmin 2 -qmax 31 -maxrate 768k -bufsize 10M ";
    case 4:
    case 5:
    case 6:
    case 7:
    case 9:
        return " -qmin 10 -qmax 51 -maxrate 768k -bufsize 10M ";
    case 8:
        return " -coder 0 -g 250 -vlevel 13 -qmin 10 -qmax 51 -maxrate 768k -bufsize 10M ";
    case 10:
        return " -flags +loop -cmp +chroma -partitions +parti4x4+partp4x4+partp8x8+partb8x8 -me umh "
               "-subq 7 -trellis 2 -refs 1 -coder 0 -me_range 16 -g 300 -keyint_min 25 -sc_threshold 40 "
               "-i_qfactor 0.71 -maxrate 10M -bufsize 10M -rc_eq \"blurCplx^(1-qComp)\" -qcomp 0.6 -qmin 10 "
               "-qmax 51 -qdiff 4 -level 30 ";
    case 11:
        return " -flags +aic+mv4+trell -mbd 2 -cmp 2 -subcmp 2 -g 250 -qmin 10 -qmax 51";
    default:
        return {};
    }
}

std::string_view pspTuning(std::int32_t variant) {
    switch (variant) {
    case 1:
        // "-coder 1" stands twice in this setting; the converter takes the last.
        return " -maxrate 1500k -coder 1 -coder 1 -g 250 ";
    case 2:
        return " -flags +loop -cmp +chroma -partitions +parti4x4+partp8x8+partb8x8 -flags2 +mixed_refs+brdo "
               "-me umh -subq 7 -trellis 2 -bidir_refine 1 -refs 2 -bf 1 -b_strategy 1 -coder 1 -me_range 16 "
               "-g 300 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -bt 48k -maxrate 768k -bufsize 10M "
               "-rc_eq \"blurCplx^(1-qComp)\" -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 21 ";
    case 4:
        return " -qscale 4 -bitexact ";
    case 5:
        return " -qscale 7 -bitexact ";
    case 6:
        return " -qscale 10 -bitexact ";
    case 7:
        return " -maxrate 1500k -coder 1 -coder 1 -g 250 -qscale 25 -bitexact ";
    default:
        return {};
    }
}

bool buildTargetRecipe(const ConversionJob& job, TargetRecipe& recipe) {
    recipe = TargetRecipe{};
    switch (job.targetCode) {
    case targets::kTargetAvi:
        return aviRecipe(job, recipe);
    case targets::kTargetMpeg:
        return mpegRecipe(job, recipe);
    case targets::kTargetWmv:
        return wmvRecipe(job, recipe);
    case targets::kTargetMov:
        return movRecipe(job, recipe);
    case targets::kTargetFlv:
        return flvRecipe(job, recipe);
    case targets::kTargetIpod:
        return ipodRecipe(job, recipe);
    case targets::kTargetPsp:
        return pspRecipe(job, recipe);
    case targets::kTargetMp4:
        return mp4Recipe(job, recipe);
    case targets::kTargetWma:
        return audioRecipe(" -vn -acodec wmav2 ", ".wma", recipe);
    case targets::kTargetMp3:
        return audioRecipe(" -vn -acodec libmp3lame ", ".mp3", recipe);
    case targets::kTargetAac:
        return audioRecipe(" -vn -acodec libfaac ", ".aac", recipe);
    default:
        return false;
    }
}

} // namespace morvane::engine
