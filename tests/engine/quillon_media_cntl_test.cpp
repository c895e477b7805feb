#include "engine/quillon_media_cntl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/ffmpeg_encoder.h"
#include "tests/engine/engine_test_env.h"

namespace morvane::engine {
namespace {

using test::EventRecorder;
using test::FakeProgramDir;
using test::ProgressLog;
using test::ScriptedEncoder;

// Counts the fake encoders that exist.
struct Census {
    int created = 0;
    int alive = 0;
    int shutdowns = 0;
};

class FakeEncoder final : public CMediaEncoder {
public:
    FakeEncoder(Census& census, EncoderKind kind) : kind(kind), m_census(census) {
        ++m_census.created;
        ++m_census.alive;
    }
    ~FakeEncoder() override { --m_census.alive; }

    std::int32_t PrepareCommand(ConversionJob* job) override {
        if (throwInPrepare) {
            throw std::runtime_error("prepare failed");
        }
        if (job != nullptr) {
            job->outputPath.append(".out");
        }
        return prepareResult;
    }
    std::int32_t RequestStop() override {
        ++stops;
        return 1;
    }
    std::int32_t RunConversion(const char* outputPath, std::int32_t targetCode) override {
        ++runs;
        runOutputPath = outputPath;
        runTargetCode = targetCode;
        return runResult;
    }
    std::int32_t Initialize(const EncoderInitRecord* record) override {
        ++initializations;
        return record != nullptr && record->callback != nullptr ? 1 : 0;
    }
    std::int32_t Shutdown() override {
        ++m_census.shutdowns;
        return 1;
    }
    std::int32_t bGetMediaFileContent(const char* path, ConversionJob* job) override {
        probedPath = path;
        job->duration = 61.0;
        return 1;
    }
    std::int32_t OnConverterEvent(ConverterEvent, const ConverterEventValue&, std::int32_t) override {
        return 1;
    }
    void SetProcessHandle(ProcessHandle) override {}
    void SetForceFrameServer(std::int32_t flag) override { forceFrameServer = flag; }

    EncoderKind kind;
    std::int32_t prepareResult = 1;
    std::int32_t runResult = 1;
    bool throwInPrepare = false;
    int stops = 0;
    int runs = 0;
    int initializations = 0;
    std::int32_t forceFrameServer = -1;
    std::string runOutputPath;
    std::int32_t runTargetCode = -1;
    std::string probedPath;

private:
    Census& m_census;
};

// A facade whose encoders are fakes that the test can reach.
class FacadeWithFakes : public ::testing::Test {
protected:
    FacadeWithFakes()
        : cntl([this](EncoderKind kind) -> std::unique_ptr<CMediaEncoder> {
              if (throwInFactory) {
                  throw std::bad_alloc();
              }
              auto encoder = std::make_unique<FakeEncoder>(census, kind);
              made.push_back(encoder.get());
              return encoder;
          }) {}

    EncoderInitRecord record(EncoderKind kind = EncoderKind::Converter) {
        return test::makeInitRecord(progress, "/opt/m/", kind);
    }
    FakeEncoder& last() { return *made.back(); }

    Census census;
    std::vector<FakeEncoder*> made; // valid only while census says they are alive
    bool throwInFactory = false;
    ProgressLog progress;
    CQuillonMediaCntl cntl;
};

TEST(QuillonMediaCntl, InitCreatesTheConverterEncoder) {
    ProgressLog progress;
    CQuillonMediaCntl cntl;
    EXPECT_EQ(cntl.Init(nullptr), 0);
    EncoderInitRecord record = test::makeInitRecord(progress, "/opt/m/", EncoderKind::RealMedia);
    EXPECT_EQ(cntl.Init(&record), 0);
    EXPECT_FALSE(cntl.hasEncoder());

    record.kind = EncoderKind::Converter;
    EXPECT_EQ(cntl.Init(&record), 1);
    EXPECT_TRUE(cntl.hasEncoder());
    EXPECT_EQ(cntl.currentKind(), EncoderKind::Converter);
    // The standard factory makes no RealMedia encoder: the program registers that one.
    EXPECT_EQ(createStandardEncoder(EncoderKind::RealMedia), nullptr);
    EXPECT_NE(dynamic_cast<CFfmpegEncoder*>(createStandardEncoder(EncoderKind::Converter).get()), nullptr);
    record.kind = EncoderKind::RealMedia;
    EXPECT_EQ(cntl.SwitchEncoder(&record), 0);
    EXPECT_EQ(cntl.currentKind(), EncoderKind::Converter);
}

TEST_F(FacadeWithFakes, InitTwiceReplacesTheEncoder) {
    auto r = record();
    EXPECT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(census.created, 2);
    EXPECT_EQ(census.alive, 1);
    EXPECT_EQ(last().initializations, 1);

    // The encoder's own answer is the result; it stays current.
    r.callback = nullptr;
    EXPECT_EQ(cntl.Init(&r), 0);
    EXPECT_TRUE(cntl.hasEncoder());
    EXPECT_EQ(census.alive, 1);

    throwInFactory = true;
    r = record();
    EXPECT_EQ(cntl.Init(&r), 0);
}

TEST_F(FacadeWithFakes, ReleaseShutsTheEncoderDown) {
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(cntl.Release(), 1);
    EXPECT_EQ(census.shutdowns, 1);
    EXPECT_EQ(census.alive, 0);
    EXPECT_FALSE(cntl.hasEncoder());
    EXPECT_EQ(cntl.Release(), 1);
    EXPECT_EQ(census.shutdowns, 1);
}

TEST_F(FacadeWithFakes, SwitchThenRestoreBringsBackTheSameEncoder) {
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    FakeEncoder* converter = &last();

    auto realMedia = record(EncoderKind::RealMedia);
    EXPECT_EQ(cntl.SwitchEncoder(&realMedia), 1);
    FakeEncoder* switched = &last();
    EXPECT_EQ(switched->kind, EncoderKind::RealMedia);
    EXPECT_EQ(switched->initializations, 1);
    EXPECT_EQ(cntl.currentKind(), EncoderKind::RealMedia);
    EXPECT_TRUE(cntl.hasSavedEncoder());
    EXPECT_EQ(census.alive, 2);
    EXPECT_EQ(cntl.StopConversion(), 1);
    EXPECT_EQ(switched->stops, 1);
    EXPECT_EQ(converter->stops, 0);

    EXPECT_EQ(cntl.RestoreEncoder(), 1);
    EXPECT_EQ(cntl.currentKind(), EncoderKind::Converter);
    EXPECT_FALSE(cntl.hasSavedEncoder());
    EXPECT_EQ(census.alive, 1);
    EXPECT_EQ(cntl.StopConversion(), 1);
    EXPECT_EQ(converter->stops, 1);
}

TEST_F(FacadeWithFakes, SwitchRefusals) {
    auto realMedia = record(EncoderKind::RealMedia);
    EXPECT_EQ(cntl.SwitchEncoder(&realMedia), 0); // no current encoder
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(cntl.SwitchEncoder(nullptr), 0);
    auto unknown = record(static_cast<EncoderKind>(5));
    EXPECT_EQ(cntl.SwitchEncoder(&unknown), 0);
    throwInFactory = true;
    EXPECT_EQ(cntl.SwitchEncoder(&realMedia), 0);
    // Nothing changed.
    EXPECT_EQ(cntl.currentKind(), EncoderKind::Converter);
    EXPECT_FALSE(cntl.hasSavedEncoder());
    EXPECT_EQ(census.alive, 1);
}

TEST_F(FacadeWithFakes, RestoreWithNothingSavedDeletesTheCurrentEncoder) {
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(cntl.RestoreEncoder(), 0);
    EXPECT_FALSE(cntl.hasEncoder());
    EXPECT_EQ(census.alive, 0);
    ConversionJob job;
    EXPECT_EQ(cntl.bDoConvert(&job), 0);
    EXPECT_EQ(cntl.StopConversion(), 0);
    EXPECT_EQ(cntl.SetForceFrameServer(1), 0);
}

TEST_F(FacadeWithFakes, DoConvertPreparesThenRuns) {
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    ConversionJob job;
    job.outputPath.assign("/out/clip");
    job.targetCode = 4;
    EXPECT_EQ(cntl.bDoConvert(&job), 1);
    EXPECT_EQ(job.outputPath.view(), "/out/clip.out");
    EXPECT_EQ(last().runs, 1);
    EXPECT_EQ(last().runOutputPath, "/out/clip.out");
    EXPECT_EQ(last().runTargetCode, 4);

    last().runResult = 0;
    EXPECT_EQ(cntl.bDoConvert(&job), 0);

    // A job that cannot be prepared fails without running.
    last().prepareResult = 0;
    last().runResult = 1;
    EXPECT_EQ(cntl.bDoConvert(&job), 0);
    EXPECT_EQ(last().runs, 2);
}

TEST_F(FacadeWithFakes, PreparingAndRunningApartDoWhatDoConvertDoes) {
    auto r = record();
    EXPECT_EQ(cntl.bPrepareConvert(nullptr), 0);
    ASSERT_EQ(cntl.Init(&r), 1);
    ConversionJob job;
    job.outputPath.assign("/out/clip");
    job.targetCode = 4;
    EXPECT_EQ(cntl.bPrepareConvert(&job), 1);
    EXPECT_EQ(job.outputPath.view(), "/out/clip.out");
    EXPECT_EQ(last().runs, 0);
    EXPECT_EQ(cntl.bRunPrepared(&job), 1);
    EXPECT_EQ(last().runs, 1);
    EXPECT_EQ(last().runOutputPath, "/out/clip.out");
    EXPECT_EQ(last().runTargetCode, 4);
    last().prepareResult = 0;
    EXPECT_EQ(cntl.bPrepareConvert(&job), 0);
    EXPECT_EQ(cntl.bRunPrepared(nullptr), 0);
    // Another facade made by this one's factory has encoders of its own.
    CQuillonMediaCntl other(cntl.encoderFactory());
    ASSERT_EQ(other.Init(&r), 1);
    EXPECT_EQ(other.bPrepareConvert(&job), 1);
    EXPECT_EQ(last().runs, 0) << "a new encoder";
}

TEST_F(FacadeWithFakes, DoConvertLogsMissingJobsAndExceptions) {
    EventRecorder log;
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(cntl.bDoConvert(nullptr), 0);
    last().throwInPrepare = true;
    ConversionJob job;
    EXPECT_EQ(cntl.bDoConvert(&job), 0);
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].type, platform::EventType::Error);
    EXPECT_EQ(entries[0].id, 1u);
    EXPECT_EQ(entries[0].message, "Module:COMMON\\CQuillonMediaCntl,Line:113,pointer is NULL ");
    EXPECT_EQ(entries[1].message, "Module:COMMON\\CQuillonMediaCntl,Line:179,bDoConvert raise exception");
}

TEST_F(FacadeWithFakes, ProbeAndFrameServerFlagReachTheEncoder) {
    ConversionJob job;
    EXPECT_EQ(cntl.bGetMediaFileContent("/media/a.avi", &job), 0); // no encoder yet
    auto r = record();
    ASSERT_EQ(cntl.Init(&r), 1);
    EXPECT_EQ(cntl.bGetMediaFileContent(nullptr, &job), 0);
    EXPECT_EQ(cntl.bGetMediaFileContent("", &job), 0);
    EXPECT_EQ(cntl.bGetMediaFileContent("/media/a.avi", nullptr), 0);
    EXPECT_TRUE(last().probedPath.empty());
    EXPECT_EQ(cntl.bGetMediaFileContent("/media/a.avi", &job), 1);
    EXPECT_EQ(last().probedPath, "/media/a.avi");
    EXPECT_EQ(job.duration, 61.0);

    EXPECT_EQ(cntl.SetForceFrameServer(1), 1);
    EXPECT_EQ(last().forceFrameServer, 1);
    EXPECT_EQ(cntl.SetForceFrameServer(0), 1);
    EXPECT_EQ(last().forceFrameServer, 0);
}

// The facade with converter encoders that run the fake converter.
class FacadeWithConverter : public ::testing::Test {
protected:
    FacadeWithConverter()
        : cntl([this](EncoderKind) -> std::unique_ptr<CMediaEncoder> {
              auto encoder = std::make_unique<ScriptedEncoder>();
              encoder->command =
                  program.commandLine("-i \"/media/clip.wmv\" -y \"" + program.file("out/clip_x.avi") + "\"");
              made.push_back(encoder.get());
              return encoder;
          }) {}

    void SetUp() override {
        std::filesystem::create_directory(program.file("out"));
        record = test::makeInitRecord(progress, program.dir());
        ASSERT_EQ(cntl.Init(&record), 1);
        job.sourcePath.assign("/media/clip.wmv");
        job.outputPath.assign(program.file("out/clip"));
        job.targetCode = 11;
        job.progressDuration = 20.0;
    }

    FakeProgramDir program;
    ProgressLog progress;
    EncoderInitRecord record;
    std::vector<ScriptedEncoder*> made;
    CQuillonMediaCntl cntl;
    ConversionJob job;
};

TEST_F(FacadeWithConverter, ConvertsAndCompletesTheOutputPath) {
    program.script("out size= 1kB time=5.00 bitrate=1k\\n\nexit 0\n");
    EXPECT_EQ(cntl.bDoConvert(&job), 1);
    EXPECT_EQ(job.outputPath.view(), program.file("out/clip_x.avi"));
    EXPECT_EQ(progress.percents(), std::vector<int>{25});

    program.script("out size= 1kB time=5.00 bitrate=1k\\n\nexit 3\n");
    job.outputPath.assign(program.file("out/clip"));
    EXPECT_EQ(cntl.bDoConvert(&job), 0);
}

TEST_F(FacadeWithConverter, TargetsWithoutARecipeStartNoConverter) {
    program.script("exit 0\n");
    for (const std::int32_t code : {6, 12, 14}) {
        job.targetCode = code;
        job.outputPath.assign(program.file("out/clip"));
        EXPECT_EQ(made.back()->PrepareCommand(&job), 0) << code;
        EXPECT_EQ(cntl.bDoConvert(&job), 0) << code;
        EXPECT_EQ(job.outputPath.view(), program.file("out/clip")) << code;
    }
    EXPECT_FALSE(program.converterRan());
}

TEST_F(FacadeWithConverter, StopConversionEndsTheRun) {
    program.script("out size= 1kB time=5.00 bitrate=1k\\n\nwaitq\nexit 0\n");
    std::atomic<std::int32_t> result{-1};
    std::thread worker([&] { result = cntl.bDoConvert(&job); });
    ASSERT_TRUE(progress.waitForProgress());
    EXPECT_EQ(cntl.StopConversion(), 1);
    worker.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(program.stdinBytes(), std::string("q\0\0\0\0\0\0\0\0\0", 10));
}

TEST_F(FacadeWithConverter, EncoderReplacedDuringARunLivesUntilTheRunEnds) {
    auto again = record;
    ASSERT_EQ(cntl.SwitchEncoder(&again), 1);
    program.script(
        "out size= 1kB time=5.00 bitrate=1k\\n\nsleep 200\nout size= 1kB time=10.00 bitrate=1k\\n\n");
    std::atomic<std::int32_t> result{-1};
    std::thread worker([&] { result = cntl.bDoConvert(&job); });
    ASSERT_TRUE(progress.waitForProgress());
    // The window thread drops the running encoder from the facade; the run goes on with it.
    EXPECT_EQ(cntl.RestoreEncoder(), 1);
    EXPECT_EQ(cntl.StopConversion(), 1); // reaches the restored encoder, which runs nothing
    worker.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(progress.percents(), (std::vector<int>{25, 50}));
    EXPECT_FALSE(morvane::test::fileExists(program.file("vec-stdin.bin")));
    EXPECT_TRUE(cntl.hasEncoder());
}

} // namespace
} // namespace morvane::engine
