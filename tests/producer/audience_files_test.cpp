#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "producer/audience_definition.h"
#include "producer/failure.h"
#include "producer/key_value_file.h"
#include "producer/library_settings.h"
#include "realmedia/audience_table.h"
#include "tests/support/test_support.h"

namespace morvane::producer {
namespace {

namespace fs = std::filesystem;
using realmedia::AudienceTable;

const std::string kProgramDir = std::string(MORVANE_BUILT_PROGRAM_DIR) + "/";

// The status a caller of the library would get, the loaded value or the reason beside it.
template <typename T>
Status loadedInto(platform::Expected<T> loaded, T& value, std::string& error) {
    error = loaded.error();
    if (loaded) {
        value = *std::move(loaded);
    }
    return statusOf(loaded);
}

TEST(AudienceFiles, TheShippedAudiencesAreTheTablesInTheSameOrder) {
    std::vector<AudienceDefinition> audiences;
    std::string error;
    ASSERT_EQ(loadedInto(loadAudiences(kProgramDir + "audiences"), audiences, error), realmedia::kOk)
        << error;
    ASSERT_EQ(audiences.size(), AudienceTable::kNames.size());
    for (std::size_t i = 0; i < audiences.size(); ++i) {
        EXPECT_EQ(audiences[i].name, AudienceTable::kNames[i]) << i;
    }
}

TEST(AudienceFiles, TheShippedAudiencesFollowTheirNames) {
    std::vector<AudienceDefinition> audiences;
    std::string error;
    ASSERT_EQ(loadedInto(loadAudiences(kProgramDir + "audiences"), audiences, error), realmedia::kOk)
        << error;
    for (const auto& audience : audiences) {
        SCOPED_TRACE(audience.name);
        const auto has = [&](const char* part) { return audience.name.find(part) != std::string::npos; };
        EXPECT_GT(audience.audioShare, 0);
        if (has("Lossless")) {
            EXPECT_EQ(audience.videoShare, 0);
            EXPECT_EQ(audience.channels, ChannelChoice::Source);
        } else {
            EXPECT_GT(audience.videoShare, 0);
            EXPECT_GT(audience.maxFrameRate, 0.0);
        }
        if (has("Surround") || has("Multichannel")) {
            EXPECT_EQ(audience.channels, ChannelChoice::Source);
        }
        if (has("Dial-up")) {
            EXPECT_EQ(audience.channels, ChannelChoice::Mono);
            EXPECT_LE(audience.maxFrameRate, 10.0);
        }
        if (has("(VBR)")) {
            EXPECT_NE(audience.rateControl, RateControl::Constant);
        }
        if (has("% Quality")) {
            EXPECT_EQ(audience.rateControl, RateControl::Quality);
            EXPECT_EQ(audience.quality, std::stoi(audience.name.substr(0, audience.name.find('%'))));
        }
        // The leading rate of the name bounds the total: "56k", "512k", "2M".
        const char unit = audience.name[audience.name.find_first_not_of("0123456789")];
        if (unit == 'k' || unit == 'M') {
            const int named = std::stoi(audience.name) * (unit == 'M' ? 1000 : 1);
            EXPECT_LE(audience.totalKbps, named);
            EXPECT_GE(audience.totalKbps, named / 2);
        }
    }
}

TEST(AudienceFiles, BadDefinitionsAreRefusedWithAReason) {
    const std::string valid = "name=A\ntotalBitrate=100\nvideoShare=80\naudioShare=20\n";
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"totalBitrate=100\nvideoShare=80\naudioShare=20\n", "name"},
        {valid + "videoShare=90\n", "shares"},
        {"name=A\ntotalBitrate=100\nvideoShare=0\naudioShare=0\n", "shares"},
        {"name=A\ntotalBitrate=0\nvideoShare=80\naudioShare=20\n", "totalBitrate"},
        {"name=A\ntotalBitrate=1.5\nvideoShare=80\naudioShare=20\n", "totalBitrate"},
        {valid + "rateControl=fast\n", "rateControl"},
        {valid + "rateControl=quality\n", "quality"},
        {valid + "audioChannels=quad\n", "audioChannels"},
        {valid + "maxFrameRate=-1\n", "maxFrameRate"},
        {valid + "maxSampleRate=100\n", "maxSampleRate"},
    };
    for (const auto& c : cases) {
        const auto audience = parseAudience(KeyValueFile::parse(c.text));
        EXPECT_FALSE(audience) << c.text;
        EXPECT_NE(audience.error().find(c.reason), std::string::npos) << audience.error();
    }
    const auto audience = parseAudience(KeyValueFile::parse(valid));
    ASSERT_TRUE(audience) << audience.error();
    EXPECT_EQ(audience->videoKbps(), 80);
    EXPECT_EQ(audience->audioKbps(), 20);
    EXPECT_EQ(audience->rateControl, RateControl::Constant);
}

TEST(AudienceFiles, AFolderMustHoldDistinctWellFormedAudiences) {
    test::TempDir temp;
    std::vector<AudienceDefinition> audiences;
    std::string error;
    EXPECT_EQ(loadedInto(loadAudiences(temp.file("missing")), audiences, error), realmedia::kFileNotFound);
    EXPECT_EQ(loadedInto(loadAudiences(temp.path()), audiences, error), realmedia::kFileNotFound);

    const std::string body = "totalBitrate=100\nvideoShare=80\naudioShare=20\n";
    test::writeFile(temp.file("b.aud"), "name=B\n" + body);
    test::writeFile(temp.file("a.aud"), "name=A\n" + body);
    test::writeFile(temp.file("notes.txt"), "not an audience");
    ASSERT_EQ(loadedInto(loadAudiences(temp.path()), audiences, error), realmedia::kOk) << error;
    ASSERT_EQ(audiences.size(), 2u);
    EXPECT_EQ(audiences[0].name, "A");

    test::writeFile(temp.file("c.aud"), "name=A\n" + body);
    EXPECT_EQ(loadedInto(loadAudiences(temp.path()), audiences, error), realmedia::kInvalidData);
    EXPECT_NE(error.find("twice"), std::string::npos) << error;

    test::writeFile(temp.file("c.aud"), "name=C\n" + body + "just words\n");
    EXPECT_EQ(loadedInto(loadAudiences(temp.path()), audiences, error), realmedia::kInvalidData);
    EXPECT_NE(error.find("c.aud"), std::string::npos) << error;
}

TEST(KeyValueFile, ReadsKeysAndValuesBesideCommentsAndBlanks) {
    const auto file =
        KeyValueFile::parse("# comment\n\n  key = a value \r\nnumber=2.5\nbad line\n=x\nkey=again\n");
    EXPECT_EQ(file.text("key"), "again");
    EXPECT_EQ(file.number("number").value_or(0), 2.5);
    EXPECT_FALSE(file.number("key"));
    EXPECT_EQ(file.text("absent", "fallback"), "fallback");
    EXPECT_EQ(file.malformedLines(), 2);
}

std::string accessList(const std::string& dir) {
    std::string list;
    for (const auto& [name, folder] : {std::pair{"DT_Plugins", "plugins"},
                                       {"DT_Codecs", "codecs"},
                                       {"DT_EncSDK", "tools"},
                                       {"DT_Common", "common"}}) {
        list += std::string(name) + "=" + dir + folder;
        list.push_back('\0');
    }
    list.push_back('\0');
    return list;
}

// A failure keeps its status on the way to the exported interface, the high bit of an error status too;
// a failure that names none answers kUnexpected, never kOk.
TEST(LibraryFailures, CarryTheirStatusToTheCaller) {
    EXPECT_EQ(statusOf(platform::Expected<int>(1)), realmedia::kOk);
    EXPECT_EQ(statusOf(platform::Expected<void>()), realmedia::kOk);
    const platform::Expected<int> denied = failure(realmedia::kAccessDenied, "the folder cannot be written");
    EXPECT_EQ(statusOf(denied), realmedia::kAccessDenied);
    EXPECT_TRUE(realmedia::failed(statusOf(denied)));
    EXPECT_EQ(statusOf(platform::Expected<void>(denied.failure())), realmedia::kAccessDenied);
    EXPECT_EQ(statusOf(platform::Expected<void>(platform::Failure{"no status"})), realmedia::kUnexpected);
}

TEST(LibrarySettings, AreReadFromTheFoldersOfTheAccessPathList) {
    LibrarySettings settings;
    std::string error;
    ASSERT_EQ(loadedInto(loadLibrarySettings(accessList(kProgramDir).c_str()), settings, error),
              realmedia::kOk)
        << error;
    EXPECT_EQ(settings.folder("DT_Codecs"), kProgramDir + "codecs");
    EXPECT_EQ(settings.ffmpegProgram, "ffmpeg");
    EXPECT_EQ(settings.codecs.videoEncoder, "rv20");
    EXPECT_EQ(settings.codecs.audioEncoder, "ac3");
    EXPECT_EQ(settings.codecs.sampleRates, (std::vector<int>{32000, 44100, 48000}));
    EXPECT_EQ(settings.pluginType("rn-file-realmedia"), "fileDestination");
    EXPECT_EQ(settings.pluginType("rn-prefilter-audiogain"), "audioGainPrefilter");
    EXPECT_EQ(settings.pluginType("rn-unknown"), "");
}

TEST(LibrarySettings, MissingFoldersFilesOrEntriesAreRefused) {
    test::TempDir temp;
    const std::string dir = temp.path() + "/";
    for (const char* folder : {"plugins", "codecs", "common"}) {
        fs::create_directories(dir + folder);
    }
    LibrarySettings settings;
    std::string error;
    EXPECT_EQ(loadedInto(loadLibrarySettings(accessList(dir).c_str()), settings, error),
              realmedia::kFileNotFound);
    EXPECT_NE(error.find("producer.conf"), std::string::npos) << error;

    fs::copy_file(kProgramDir + "common/producer.conf", dir + "common/producer.conf");
    fs::copy_file(kProgramDir + "plugins/plugins.conf", dir + "plugins/plugins.conf");
    test::writeFile(dir + "codecs/codecs.conf", "sampleRates=32000,lots\n");
    settings = LibrarySettings{};
    EXPECT_EQ(loadedInto(loadLibrarySettings(accessList(dir).c_str()), settings, error),
              realmedia::kInvalidData);
    EXPECT_NE(error.find("lots"), std::string::npos) << error;

    test::writeFile(dir + "codecs/codecs.conf", "maxPixels=0\n");
    settings = LibrarySettings{};
    EXPECT_EQ(loadedInto(loadLibrarySettings(accessList(dir).c_str()), settings, error),
              realmedia::kInvalidData);

    const std::string withoutCommon = std::string("DT_Plugins=") + dir + "plugins" + '\0' + '\0';
    settings = LibrarySettings{};
    EXPECT_EQ(loadedInto(loadLibrarySettings(withoutCommon.c_str()), settings, error),
              realmedia::kInvalidArgument);

    const std::string malformed = std::string("DT_Plugins") + '\0' + '\0';
    EXPECT_EQ(loadedInto(loadLibrarySettings(malformed.c_str()), settings, error),
              realmedia::kInvalidArgument);
    EXPECT_EQ(loadedInto(loadLibrarySettings(nullptr), settings, error), realmedia::kPointer);

    std::string unterminated(realmedia::kAccessPathListBytes, 'x');
    unterminated.replace(0, 2, "A=");
    EXPECT_EQ(loadedInto(loadLibrarySettings(unterminated.c_str()), settings, error),
              realmedia::kInvalidArgument);
}

} // namespace
} // namespace morvane::producer
