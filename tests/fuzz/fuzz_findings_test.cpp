// What fuzzing found, as plain cases: each names the input that broke a property.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "converter/old_arguments.h"
#include "converter/translator.h"
#include "converter/vec_program.h"
#include "engine/media_probe.h"
#include "media/media_detector.h"

namespace morvane::fuzz {
namespace {

// A file's length tag can say anything ("00:00:inf", "99999999:00:00"); the information line for it
// must still be one the engine reads, with a length that is not negative.
TEST(FuzzFindings, InfoLineForLengthsBeyondAnyCounter) {
    for (const double length : {std::numeric_limits<double>::infinity(), std::nan(""), 3.0e9, 1e300}) {
        media::MediaFacts facts;
        facts.duration = length;
        facts.hasVideo = 1;
        facts.width = 320;
        facts.height = 240;
        const auto line = converter::formatInfoLine(facts);
        const auto info = engine::parseConverterInfoLine(line);
        ASSERT_TRUE(info.has_value()) << line;
        EXPECT_GE(info->seconds, 0) << "length " << length << ": " << line;
        EXPECT_EQ(info->width, 320) << line;
    }
}

// The engine reads the converter's numbers as "%d" does: one sign, then digits, and every int value.
TEST(FuzzFindings, ConverterInfoLineReadsNumbersAsScanfDoes) {
    EXPECT_FALSE(engine::parseConverterInfoLine("Duration:--5 Width:1 Height:1 Video:1 Audio:1"));
    EXPECT_FALSE(engine::parseConverterInfoLine("Duration:5 Width:+-1 Height:1 Video:1 Audio:1"));
    EXPECT_FALSE(
        engine::parseConverterInfoLine("Duration:--9223372036854775808 Width:1 Height:1 Video:1 Audio:1"));
    const auto smallest =
        engine::parseConverterInfoLine("Duration:1 Width:-2147483648 Height:1 Video:1 Audio:1");
    ASSERT_TRUE(smallest.has_value());
    EXPECT_EQ(smallest->width, std::numeric_limits<int>::min());
}

// The sample rate after "-ar" as FFmpeg would receive it; empty when the translation failed or has none.
std::string translatedSampleRate(const std::vector<std::string>& arguments) {
    auto parsed = converter::parseOldCommand(arguments);
    if (!parsed) {
        return {};
    }
    converter::TranslationRequest request;
    request.command = *std::move(parsed);
    request.outputPath = request.command.output;
    request.writePath = request.command.output + ".part";
    const auto translated = converter::translateCommand(request);
    const auto& words = translated ? translated->arguments : std::vector<std::string>{};
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == "-ar") {
            return words[i + 1];
        }
    }
    return {};
}

// A sample rate beyond the int range must neither wrap to a negative rate nor overflow while the
// nearest rate the encoder takes is looked for.
TEST(FuzzFindings, SampleRatesBeyondAnyEncoderAreNotWrapped) {
    const auto wrapped =
        translatedSampleRate({"-i", "in.wav", "-acodec", "pcm_s16le", "-ar", "3e9", "-y", "out.wav"});
    EXPECT_TRUE(wrapped.empty() || wrapped.find('-') == std::string::npos) << wrapped;
    const auto nearest =
        translatedSampleRate({"-i", "in.wav", "-acodec", "libmp3lame", "-ar", "2147483648", "-y", "out.mp3"});
    EXPECT_TRUE(nearest.empty() || nearest == "48000") << nearest;
    // A positive rate below one hertz must not become "-ar 0".
    const auto belowOne =
        translatedSampleRate({"-i", "in.wav", "-acodec", "pcm_s16le", "-ar", "0.06", "-y", "out.wav"});
    EXPECT_TRUE(belowOne.empty() || belowOne != "0") << belowOne;
}

} // namespace
} // namespace morvane::fuzz
