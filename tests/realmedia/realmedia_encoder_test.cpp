#include "realmedia/realmedia_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "platform/shared_library.h"
#include "profiles/profile.h"
#include "tests/support/test_support.h"

namespace morvane::realmedia {
namespace {

namespace fs = std::filesystem;

struct Reports {
    std::vector<std::int32_t> percents;
};

void collect(std::int32_t percent, void* userData) {
    static_cast<Reports*>(userData)->percents.push_back(percent);
}

// The fake producer's controls, reached through the same loaded file the encoder uses.
class FakeProducer {
public:
    explicit FakeProducer(const std::string& path)
        : m_library(platform::SharedLibrary::open(path).valueOr(platform::SharedLibrary())) {}

    bool loaded() const { return m_library.isOpen(); }
    void reset() { fn<void (*)()>("fakeProducerReset")(); }
    void failAt(const char* prefix, Status status) {
        fn<void (*)(const char*, Status)>("fakeProducerFailAt")(prefix, status);
    }
    void failCall(int index, Status status) {
        fn<void (*)(int, Status)>("fakeProducerFailCall")(index, status);
    }
    void setInput(int hasVideo, int hasAudio, const char* pluginName) {
        fn<void (*)(int, int, const char*)>("fakeProducerSetInput")(hasVideo, hasAudio, pluginName);
    }
    std::vector<std::string> calls() const { return list("fakeProducerCallCount", "fakeProducerCall"); }
    std::vector<std::string> destroyed() const {
        return list("fakeProducerDestroyedCount", "fakeProducerDestroyed");
    }
    int live(const char* kind) const { return fn<int (*)(const char*)>("fakeProducerLiveObjects")(kind); }

private:
    template <typename F>
    F fn(const char* name) const {
        auto function = m_library.function<F>(name);
        if (function == nullptr) {
            throw std::runtime_error(std::string("the fake producer has no ") + name);
        }
        return function;
    }
    std::vector<std::string> list(const char* countName, const char* itemName) const {
        std::vector<std::string> items;
        const int count = fn<int (*)()>(countName)();
        for (int i = 0; i < count; ++i) {
            items.emplace_back(fn<const char* (*)(int)>(itemName)(i));
        }
        return items;
    }

    platform::SharedLibrary m_library;
};

class RealMediaEncoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedProgramDir = platform::programDirectory();
        engine::closeTraceFile();
        m_dir = m_temp.path() + "/";
        platform::setProgramDirectory(m_dir);
        fs::create_directories(m_dir + "out");

        m_record.callback = &collect;
        m_record.userData = &m_reports;
        m_record.kind = engine::EncoderKind::RealMedia;
        m_record.programDirectory = m_dir;

        m_profile.ExtName = "rm";
        m_job.sourcePath = "/media/clip.avi";
        m_job.outputPath = m_dir + "out/clip";
        m_job.videoCodec = "56k Dial-up";
        m_job.width = 320;
        m_job.height = 240;
        m_job.profile = &m_profile;
    }

    void TearDown() override {
        m_encoder.reset();
        m_fake.reset();
        engine::closeTraceFile();
        platform::setProgramDirectory(m_savedProgramDir);
    }

    // Puts a build of the fake library in place as tools/libencsession.so of the program directory
    // `dir` (default: the test's) and loads its controls. Each build needs a folder of its own: a
    // loaded library is known by its path.
    void install(const char* build = MORVANE_FAKE_PRODUCER, std::string dir = {}) {
        if (dir.empty()) {
            dir = m_dir;
        }
        m_record.programDirectory = dir;
        fs::create_directories(dir + "tools");
        fs::copy_file(build, dir + "tools/libencsession.so");
        m_fake = std::make_unique<FakeProducer>(dir + "tools/libencsession.so");
        ASSERT_TRUE(m_fake->loaded());
        m_fake->reset();
    }

    CRealMediaEncoder& encoder() {
        if (!m_encoder) {
            m_encoder = std::make_unique<CRealMediaEncoder>();
        }
        return *m_encoder;
    }

    // Initialize, PrepareCommand and RunConversion as the facade calls them; 1 when all gave 1.
    int convert() {
        if (encoder().Initialize(&m_record) != 1) {
            return 0;
        }
        if (encoder().PrepareCommand(&m_job) != 1) {
            return 0;
        }
        return encoder().RunConversion(m_job.outputPath.c_str(), m_job.targetCode);
    }

    std::vector<std::string> expectedCalls() const {
        const std::string& d = m_dir;
        return {
            "SetDLLAccessPath DT_Plugins=" + d + "plugins|DT_Codecs=" + d + "codecs|DT_EncSDK=" + d +
                "tools|DT_Common=" + d + "common",
            "HXTCreateJobFactory",
            // PrepareCommand
            "factory#1.createInstance job",
            "job#1.getEventManager",
            "events#1.subscribe sink",
            "factory#1.createInstance logSystem",
            "logSystem#1.initialize " + d + "tools",
            "factory#1.createInstance logWriter",
            "logWriter#1.configure 0",
            "logWriter#1.setFilename " + d + "trace.flt",
            // RunConversion: input
            "factory#1.createInstance propertySet",
            "props#1.setString pluginType=avFileInput",
            "props#1.setString filename=/media/clip.avi",
            "factory#1.buildInstance input props#1 0 0",
            "job#1.setInput input#1",
            "input#1.getString pluginName",
            // prefilters
            "job#1.getInput",
            "input#1.getFlag hasVideo",
            "factory#1.createInstance propertySet",
            "props#2.setString pluginType=blackLevelPrefilter",
            "props#2.setString pluginName=rn-prefilter-blacklevel",
            "factory#1.buildInstance prefilter props#2 0 0",
            "input#1.addPrefilter prefilter#1",
            "input#1.getFlag hasAudio",
            "factory#1.createInstance propertySet",
            "props#3.setString pluginType=audioGainPrefilter",
            "props#3.setString pluginName=rn-prefilter-audiogain",
            "factory#1.buildInstance prefilter props#3 0 0",
            "prefilter#2.setDouble gain=0",
            "input#1.addPrefilter prefilter#2",
            // destination
            "factory#1.buildInstance output none 0 0",
            "job#1.addOutputProfile output#1",
            "factory#1.createInstance propertySet",
            "props#4.setString pluginType=fileDestination",
            "props#4.setString pluginName=rn-file-realmedia",
            "props#4.setString filename=" + d + "out/clip_new.rm",
            "factory#1.buildInstance destination props#4 0 0",
            "output#1.addDestination destination#1",
            // media profile
            "job#1.getOutputProfile 0",
            "factory#1.buildInstance media none 0 0",
            "output#1.setMediaProfile media#1",
            "media#1.setString videoMode=normal",
            "media#1.setString audioMode=music",
            "media#1.setUnsigned outputWidth=320",
            "media#1.setUnsigned outputHeight=240",
            // audiences
            "job#1.getOutputProfile 0",
            "output#1.getMediaProfile",
            "factory#1.createInstance audienceManager",
            "audiences#1.setAudiencesFolder " + d + "audiences",
            "audiences#1.getAudience 22",
            "media#1.addAudience audience#1",
            "media#1.getAudienceCount",
            "media#1.getAudience 0",
            "audience#1.getStreamCount",
            "audience#1.getStream 0",
            "stream#1.getString pluginType",
            "stream#1.setDouble maxStartupLatency=4",
            "stream#1.setDouble maxKeyFrameInterval=10",
            "stream#1.setString encodingComplexity=medium",
            "audience#1.getStream 1",
            "stream#2.getString pluginType",
            "stream#2.setString encodingComplexity=medium",
            // encode
            "job#1.startEncoding 1",
            "job#1.getEventManager",
            "events#1.unsubscribe",
        };
    }

    static std::vector<std::string> matching(const std::vector<std::string>& calls, const std::string& part) {
        std::vector<std::string> found;
        for (const auto& call : calls) {
            if (call.find(part) != std::string::npos) {
                found.push_back(call);
            }
        }
        return found;
    }

    test::TempDir m_temp;
    std::string m_dir;
    std::string m_savedProgramDir;
    Reports m_reports;
    engine::EncoderInitRecord m_record;
    profiles::Profile m_profile;
    engine::ConversionJob m_job;
    std::unique_ptr<FakeProducer> m_fake;
    std::unique_ptr<CRealMediaEncoder> m_encoder;
};

TEST_F(RealMediaEncoderTest, ConvertsWithTheCallsAndValuesInOrder) {
    install();
    ASSERT_EQ(convert(), 1);
    EXPECT_EQ(m_fake->calls(), expectedCalls());
    EXPECT_EQ(m_job.outputPath.str(), m_dir + "out/clip_new.rm");
    EXPECT_EQ(encoder().preparedJob().outputPath.str(), m_dir + "out/clip_new.rm");
    // Start, the three progress values, the end; events without a value or of other types report nothing.
    EXPECT_EQ(m_reports.percents, (std::vector<std::int32_t>{1, 25, 50, 75, 100}));
    EXPECT_EQ(test::readFile(m_dir + "trace.flt"),
              "Input File: /media/clip.avi\r\n  Using input plugin: rn-avfile-avi\r\n");
}

TEST_F(RealMediaEncoderTest, InitializeHandsTheAccessPathsBeforeAskingForTheFactory) {
    install();
    EXPECT_EQ(encoder().Initialize(&m_record), 1);
    EXPECT_EQ(encoder().loadStatus(), kOk);
    const auto expected = expectedCalls();
    EXPECT_EQ(m_fake->calls(), std::vector<std::string>(expected.begin(), expected.begin() + 2));
    EXPECT_EQ(encoder().accessPaths().entries().size(), 4u);
}

TEST_F(RealMediaEncoderTest, InitializeWithoutACallbackLoadsNothing) {
    install();
    m_record.callback = nullptr;
    EXPECT_EQ(encoder().Initialize(&m_record), 0);
    EXPECT_EQ(encoder().Initialize(nullptr), 0);
    EXPECT_TRUE(m_fake->calls().empty());
}

TEST_F(RealMediaEncoderTest, AMissingLibraryOrExportFailsInitialize) {
    // No tools folder at all.
    EXPECT_EQ(encoder().Initialize(&m_record), 0);
    EXPECT_EQ(encoder().loadStatus(), kFail);
    EXPECT_EQ(encoder().PrepareCommand(&m_job), 0);
    m_encoder.reset();

    install(MORVANE_FAKE_PRODUCER_NO_ACCESS_PATH, m_dir + "without-access-path/");
    EXPECT_EQ(encoder().Initialize(&m_record), 0);
    EXPECT_EQ(encoder().loadStatus(), kFail);
    EXPECT_TRUE(m_fake->calls().empty());
    m_encoder.reset();

    install(MORVANE_FAKE_PRODUCER_NO_FACTORY, m_dir + "without-factory/");
    EXPECT_EQ(encoder().Initialize(&m_record), 0);
    EXPECT_EQ(encoder().loadStatus(), kFail);
    ASSERT_EQ(m_fake->calls().size(), 1u);
    EXPECT_EQ(m_fake->calls()[0].rfind("SetDLLAccessPath ", 0), 0u);
}

TEST_F(RealMediaEncoderTest, ANegativeStatusWhileLoadingIsTheResult) {
    install();
    m_fake->failAt("SetDLLAccessPath", kInvalidArgument);
    EXPECT_EQ(encoder().Initialize(&m_record), 0);
    EXPECT_EQ(encoder().loadStatus(), kInvalidArgument);
    EXPECT_EQ(m_fake->calls().size(), 1u); // the factory is not asked for
    m_encoder.reset();

    m_fake->reset();
    m_fake->failAt("HXTCreateJobFactory", kOutOfMemory);
    EXPECT_EQ(encoder().Initialize(&m_record), 0);
    EXPECT_EQ(encoder().loadStatus(), kOutOfMemory);
    EXPECT_EQ(encoder().PrepareCommand(&m_job), 0);
}

TEST_F(RealMediaEncoderTest, ANegativeStatusAtAnyStepSkipsTheRest) {
    install();
    const std::vector<std::string> expected = expectedCalls();
    const std::vector<std::string> cleanup{"job#1.getEventManager", "events#1.unsubscribe"};
    const auto encodeIndex = static_cast<std::size_t>(
        std::find(expected.begin(), expected.end(), "job#1.startEncoding 1") - expected.begin());
    for (std::size_t failing = 2; failing < expected.size(); ++failing) {
        SCOPED_TRACE(expected[failing]);
        m_encoder.reset();
        m_fake->reset();
        m_reports.percents.clear();
        m_job.outputPath = m_dir + "out/clip";
        m_fake->failCall(static_cast<int>(failing), kFail);

        const int result = convert();
        const std::vector<std::string> calls = m_fake->calls();
        ASSERT_GT(calls.size(), failing);
        EXPECT_EQ(
            std::vector<std::string>(calls.begin(), calls.begin() + static_cast<long>(failing) + 1),
            std::vector<std::string>(expected.begin(), expected.begin() + static_cast<long>(failing) + 1));

        const std::string& call = expected[failing];
        // The plug-in name only serves the trace, the complexity is a wish, and after the encoding
        // only the sink is given back.
        const bool ignored = call.find("getString pluginName") != std::string::npos ||
                             call.find("encodingComplexity") != std::string::npos || failing > encodeIndex;
        if (ignored) {
            EXPECT_EQ(result, 1);
            std::vector<std::string> wanted = expected;
            if (failing == encodeIndex + 1) {
                wanted.pop_back(); // without the event manager the sink cannot be given back
            }
            EXPECT_EQ(calls, wanted);
            continue;
        }
        EXPECT_EQ(result, 0);
        // Nothing after the failing call but giving the event sink back.
        const std::vector<std::string> rest(calls.begin() + static_cast<long>(failing) + 1, calls.end());
        EXPECT_TRUE(rest.empty() || rest == cleanup || rest == std::vector<std::string>{cleanup[0]})
            << "first call after the failure: " << rest.front();
        EXPECT_TRUE(m_reports.percents.empty());
    }
}

TEST_F(RealMediaEncoderTest, ThePluginNameGoesToTheTraceOnlyWhenItCanBeRead) {
    install();
    m_fake->setInput(1, 1, nullptr);
    ASSERT_EQ(convert(), 1);
    EXPECT_FALSE(test::fileExists(m_dir + "trace.flt") &&
                 test::readFile(m_dir + "trace.flt").find("Input File: ") != std::string::npos);
}

TEST_F(RealMediaEncoderTest, PrefiltersFollowTheInputsStreams) {
    install();
    const struct {
        int hasVideo;
        int hasAudio;
        std::vector<std::string> built;
    } cases[] = {
        {1, 1, {"rn-prefilter-blacklevel", "rn-prefilter-audiogain"}},
        {1, 0, {"rn-prefilter-blacklevel"}},
        {0, 1, {"rn-prefilter-audiogain"}},
        {0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.hasVideo) + "/" + std::to_string(c.hasAudio));
        m_encoder.reset();
        m_fake->reset();
        m_fake->setInput(c.hasVideo, c.hasAudio, "rn-avfile-mov");
        m_job.outputPath = m_dir + "out/clip";
        ASSERT_EQ(convert(), 1);
        std::vector<std::string> built;
        for (const auto& call : matching(m_fake->calls(), "setString pluginName=rn-prefilter")) {
            built.push_back(call.substr(call.find('=') + 1));
        }
        EXPECT_EQ(built, c.built);
        EXPECT_EQ(matching(m_fake->calls(), "addPrefilter").size(), c.built.size());
        EXPECT_EQ(matching(m_fake->calls(), "setDouble gain=0").size(), c.hasAudio != 0 ? 1u : 0u);
    }
}

TEST_F(RealMediaEncoderTest, TheAudienceIsNamedByTheVideoCodecExactly) {
    install();
    const struct {
        const char* videoCodec;
        const char* call;
    } cases[] = {
        {"56k Dial-up", "audiences#1.getAudience 22"},
        {"Lossless Audio", "audiences#1.getAudience 36"},
        {"", "audiences#1.getAudience 0"},
        {"56K Dial-up", "audiences#1.getAudience 0"},
        {"rv20", "audiences#1.getAudience 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.videoCodec);
        m_encoder.reset();
        m_fake->reset();
        m_job.videoCodec = c.videoCodec;
        m_job.outputPath = m_dir + "out/clip";
        ASSERT_EQ(convert(), 1);
        EXPECT_EQ(matching(m_fake->calls(), "audiences#1.getAudience "), std::vector<std::string>{c.call});
    }
}

TEST_F(RealMediaEncoderTest, TheCutRangeReachesTheInput) {
    install();
    m_job.startTime = "00:00:05";
    m_job.endTime = "00:01:02";
    ASSERT_EQ(convert(), 1);
    EXPECT_EQ(matching(m_fake->calls(), "Time="),
              (std::vector<std::string>{"props#1.setDouble startTime=5", "props#1.setDouble endTime=62"}));

    // An end before the start is no range; a start of 0 needs no setting.
    m_encoder.reset();
    m_fake->reset();
    m_job.outputPath = m_dir + "out/clip";
    m_job.startTime = "00:00:00";
    m_job.endTime = "00:00:00";
    ASSERT_EQ(convert(), 1);
    EXPECT_TRUE(matching(m_fake->calls(), "Time=").empty());
}

TEST_F(RealMediaEncoderTest, TheOutputIsNamedAfterTheSourceWithNewAndTheExtension) {
    install();
    ASSERT_EQ(encoder().Initialize(&m_record), 1);
    m_job.outputPath = "/videos/holiday.part1";
    m_profile.ExtName = "rmvb";
    ASSERT_EQ(encoder().PrepareCommand(&m_job), 1);
    EXPECT_EQ(m_job.outputPath.str(), "/videos/holiday.part1_new.rmvb");

    // A path that would not fit the field is refused rather than cut.
    std::string longBase;
    while (longBase.size() < engine::kJobPathCapacity - 8 - 100) {
        longBase += "/" + std::string(99, 'x');
    }
    longBase += "/" + std::string(engine::kJobPathCapacity - 8 - longBase.size() - 1, 'x');
    m_job.outputPath = longBase;
    EXPECT_EQ(encoder().PrepareCommand(&m_job), 0);
    EXPECT_EQ(m_job.outputPath.str(), longBase);

    EXPECT_EQ(encoder().PrepareCommand(nullptr), 0);
}

TEST_F(RealMediaEncoderTest, EachPrepareReplacesTheJobAndLogObjects) {
    install();
    ASSERT_EQ(encoder().Initialize(&m_record), 1);
    ASSERT_EQ(encoder().PrepareCommand(&m_job), 1);
    ASSERT_EQ(encoder().PrepareCommand(&m_job), 1);
    EXPECT_EQ(m_fake->live("job"), 1);
    EXPECT_EQ(m_fake->live("logSystem"), 1);
    EXPECT_EQ(m_fake->live("logWriter"), 1);
    // The first job's sink was taken back before the job went.
    EXPECT_EQ(matching(m_fake->calls(), "events#1.unsubscribe").size(), 1u);
}

TEST_F(RealMediaEncoderTest, DestructionReleasesEverythingBeforeUnloading) {
    install();
    ASSERT_EQ(convert(), 1);
    m_encoder.reset();
    for (const char* kind : {"job", "factory", "logSystem", "logWriter", "props", "input", "prefilter",
                             "output", "destination", "media", "audience", "stream", "audiences", "events"}) {
        EXPECT_EQ(m_fake->live(kind), 0) << kind;
    }
    const auto destroyed = m_fake->destroyed();
    const auto job = std::find(destroyed.begin(), destroyed.end(), "job#1");
    const auto factory = std::find(destroyed.begin(), destroyed.end(), "factory#1");
    ASSERT_NE(job, destroyed.end());
    ASSERT_NE(factory, destroyed.end());
    EXPECT_LT(job, factory);
    EXPECT_EQ(factory + 1, destroyed.end()); // the factory goes last
}

TEST_F(RealMediaEncoderTest, RunningNeedsAPreparedJobAndAnOutputPath) {
    install();
    ASSERT_EQ(encoder().Initialize(&m_record), 1);
    EXPECT_EQ(encoder().RunConversion(m_job.outputPath.c_str(), 6), 0);
    ASSERT_EQ(encoder().PrepareCommand(&m_job), 1);
    const std::size_t before = m_fake->calls().size();
    EXPECT_EQ(encoder().RunConversion(nullptr, 6), 0);
    EXPECT_EQ(m_fake->calls().size(), before);
    ASSERT_EQ(encoder().RunConversion(m_job.outputPath.c_str(), 6), 1);
    // The job has been encoded: another run needs another PrepareCommand.
    const std::size_t after = m_fake->calls().size();
    EXPECT_EQ(encoder().RunConversion(m_job.outputPath.c_str(), 6), 0);
    EXPECT_EQ(m_fake->calls().size(), after);
}

TEST_F(RealMediaEncoderTest, TheRemainingOperationsDoNothing) {
    EXPECT_EQ(encoder().RequestStop(), 1);
    EXPECT_EQ(encoder().Shutdown(), 1);
    engine::ConversionJob job;
    EXPECT_EQ(encoder().bGetMediaFileContent("/media/clip.avi", &job), 1);
    EXPECT_EQ(job.duration, 0.0);
    EXPECT_EQ(encoder().OnConverterEvent(engine::ConverterEvent::Line, {}, 0), 1);
    encoder().SetProcessHandle(42);
    encoder().SetForceFrameServer(1);
    EXPECT_EQ(encoder().Reserved1(), 1);
}

} // namespace
} // namespace morvane::realmedia
