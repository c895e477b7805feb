// The real producer library, loaded from the program directory the build makes, encoding tiny
// generated clips into RealMedia files that ffprobe reads back.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "platform/shared_library.h"
#include "profiles/profile.h"
#include "realmedia/producer_bindings.h"
#include "realmedia/realmedia_encoder.h"
#include "tests/support/test_support.h"

namespace morvane::realmedia {
namespace {

namespace fs = std::filesystem;

const std::string kBuiltProgramDir = std::string(MORVANE_BUILT_PROGRAM_DIR) + "/";

struct StreamInfo {
    std::map<std::string, std::string> values;
    std::string operator[](const std::string& key) const {
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    }
};

struct FileInfo {
    bool readable = false;
    std::string format;
    double duration = 0.0;
    std::vector<StreamInfo> streams;

    std::vector<std::string> codecs() const {
        std::vector<std::string> names;
        for (const auto& stream : streams) {
            names.push_back(stream["codec_name"]);
        }
        return names;
    }
    const StreamInfo* stream(const std::string& type) const {
        for (const auto& s : streams) {
            if (s["codec_type"] == type) {
                return &s;
            }
        }
        return nullptr;
    }
};

FileInfo probe(const std::string& path) {
    FileInfo info;
    std::string output;
    if (test::runProgram(
            {"ffprobe", "-v", "error", "-show_entries",
             "stream=codec_type,codec_name,width,height,channels,sample_rate,r_frame_rate:format="
             "format_name,duration",
             "-of", "default=nw=1", path},
            &output) != 0) {
        return info;
    }
    info.readable = true;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "format_name") {
            info.format = value;
        } else if (key == "duration") {
            info.duration = std::atof(value.c_str());
        } else {
            if (key == "codec_name") {
                info.streams.emplace_back();
            }
            if (!info.streams.empty()) {
                info.streams.back().values[key] = value;
            }
        }
    }
    return info;
}

// Clips made once for all tests: 2 s each, small.
class Clips {
public:
    static Clips& get() {
        static Clips clips;
        return clips;
    }
    std::string av() const { return m_dir.file("av.avi"); }
    std::string video() const { return m_dir.file("video.avi"); }
    std::string audio() const { return m_dir.file("audio.wav"); }
    std::string surround() const { return m_dir.file("surround.mkv"); }
    std::string longer() const { return m_dir.file("four-seconds.avi"); }
    bool ready() const { return m_ready; }

private:
    Clips() {
        m_ready = test::generateClip(av(), "av", 2.0) && test::generateClip(video(), "video", 2.0) &&
                  test::generateClip(audio(), "audio", 2.0) &&
                  test::generateClip(longer(), "av", 4.0, 160, 120) &&
                  test::runProgram({"ffmpeg",
                                    "-nostdin",
                                    "-loglevel",
                                    "error",
                                    "-y",
                                    "-f",
                                    "lavfi",
                                    "-i",
                                    "testsrc=size=160x120:rate=25:duration=2",
                                    "-f",
                                    "lavfi",
                                    "-i",
                                    "sine=frequency=300:sample_rate=48000:duration=2",
                                    "-ac",
                                    "6",
                                    "-c:v",
                                    "mpeg4",
                                    "-c:a",
                                    "ac3",
                                    surround()}) == 0;
    }
    test::TempDir m_dir;
    bool m_ready = false;
};

// The names in `folder`, sorted.
std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Reports {
    std::vector<std::int32_t> percents;
};

void collect(std::int32_t percent, void* userData) {
    static_cast<Reports*>(userData)->percents.push_back(percent);
}

class ProducerLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Clips::get().ready()) << "ffmpeg could not make the test clips";
        m_savedProgramDir = platform::programDirectory();
        engine::closeTraceFile();
        m_dir = m_temp.path() + "/";
        // The built library and its folders, seen from a program directory of the test's own.
        for (const char* folder : {"tools", "common", "codecs", "plugins", "audiences"}) {
            fs::create_directory_symlink(kBuiltProgramDir + folder, m_dir + folder);
        }
        fs::create_directories(m_dir + "out");
        platform::setProgramDirectory(m_dir);

        m_record.callback = &collect;
        m_record.userData = &m_reports;
        m_record.kind = engine::EncoderKind::RealMedia;
        m_record.programDirectory = m_dir;
        m_profile.ExtName = "rm";
    }

    void TearDown() override {
        engine::closeTraceFile();
        platform::setProgramDirectory(m_savedProgramDir);
    }

    // Encodes `source` for `audience` as the batch driver would; 1 on success. The output lands at
    // out/<name>_new.rm.
    int encode(const std::string& source, const std::string& audience, const std::string& name,
               int width = 240, int height = 0) {
        CRealMediaEncoder encoder;
        if (encoder.Initialize(&m_record) != 1) {
            return -1;
        }
        m_job = engine::ConversionJob{};
        m_job.sourcePath = source;
        m_job.outputPath = m_dir + "out/" + name;
        m_job.videoCodec = audience;
        m_job.width = width;
        m_job.height = height;
        m_job.startTime = m_startTime;
        m_job.endTime = m_endTime;
        m_job.profile = &m_profile;
        m_reports.percents.clear();
        if (encoder.PrepareCommand(&m_job) != 1) {
            return -2;
        }
        return encoder.RunConversion(m_job.outputPath.c_str(), 6);
    }

    std::string output(const std::string& name) const { return m_dir + "out/" + name + "_new.rm"; }
    std::string trace() const {
        return test::fileExists(m_dir + "trace.flt") ? test::readFile(m_dir + "trace.flt") : std::string();
    }

    void expectRisingProgressTo100() const {
        const auto& p = m_reports.percents;
        ASSERT_GE(p.size(), 2u);
        EXPECT_EQ(p.front(), 1);
        EXPECT_EQ(p.back(), 100);
        EXPECT_TRUE(std::is_sorted(p.begin(), p.end())) << ::testing::PrintToString(p);
        EXPECT_GE(*std::min_element(p.begin(), p.end()), 0);
    }

    test::TempDir m_temp;
    std::string m_dir;
    std::string m_savedProgramDir;
    Reports m_reports;
    engine::EncoderInitRecord m_record;
    profiles::Profile m_profile;
    engine::ConversionJob m_job;
    std::string m_startTime;
    std::string m_endTime;
};

TEST_F(ProducerLibraryTest, EncodesClipsForThreeAudiencesIntoPlayableRealMedia) {
    const struct {
        const char* name;
        std::string path;
        std::vector<std::string> codecs;
    } clips[] = {
        {"av", Clips::get().av(), {"rv20", "ac3"}},
        {"video", Clips::get().video(), {"rv20"}},
        {"audio", Clips::get().audio(), {"ac3"}},
    };
    const char* audiences[] = {"56k Dial-up", "1M Download (VBR)", "100% Quality Download (VBR)"};
    int run = 0;
    for (const auto& clip : clips) {
        for (const char* audience : audiences) {
            SCOPED_TRACE(std::string(clip.name) + " for " + audience);
            const std::string name = std::string(clip.name) + std::to_string(run++);
            ASSERT_EQ(encode(clip.path, audience, name), 1) << trace();
            const FileInfo info = probe(output(name));
            ASSERT_TRUE(info.readable);
            EXPECT_EQ(info.format, "rm");
            EXPECT_EQ(info.codecs(), clip.codecs);
            EXPECT_NEAR(info.duration, 2.0, 0.2);
            if (const StreamInfo* video = info.stream("video")) {
                // The job's default size, 240 wide, keeps the 4:3 shape.
                EXPECT_EQ(video->values.at("width"), "240");
                EXPECT_EQ(video->values.at("height"), "180");
            }
            if (const StreamInfo* sound = info.stream("audio")) {
                const bool dialUp = std::string(audience) == "56k Dial-up";
                EXPECT_EQ(sound->values.at("channels"), "1");
                EXPECT_EQ(sound->values.at("sample_rate"), dialUp ? "32000" : "44100");
            }
            expectRisingProgressTo100();
            EXPECT_EQ(filesIn(m_dir + "out").size(), static_cast<std::size_t>(run)) << "no work file left";
            EXPECT_NE(trace().find("Input File: " + clip.path + "\r\n  Using input plugin: rn-avfile-"),
                      std::string::npos);
        }
    }
    // The producer's own lines reach the program's trace file.
    EXPECT_NE(trace().find("[producer] encoding \""), std::string::npos);
    EXPECT_NE(trace().find("[producer] ffmpeg "), std::string::npos);
}

TEST_F(ProducerLibraryTest, SurroundAndMultichannelAudiencesKeepTheSourcesChannels) {
    const struct {
        const char* audience;
        const char* channels;
    } cases[] = {
        {"1M Multichannel (VBR)", "6"},
        {"350k Surround Stereo (VBR)", "6"},
        {"1M Download (VBR)", "2"},
        {"28k Dial-up", "1"},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.audience);
        const std::string name = "surround" + std::to_string(run++);
        ASSERT_EQ(encode(Clips::get().surround(), c.audience, name, 160, 120), 1) << trace();
        const FileInfo info = probe(output(name));
        const StreamInfo* sound = info.stream("audio");
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(sound->values.at("channels"), c.channels);
        EXPECT_EQ(sound->values.at("sample_rate"), std::string(c.channels) == "1" ? "32000" : "48000");
    }
}

TEST_F(ProducerLibraryTest, TheLosslessAudienceWritesAudioOnly) {
    ASSERT_EQ(encode(Clips::get().av(), "Lossless Audio", "lossless"), 1) << trace();
    const FileInfo info = probe(output("lossless"));
    EXPECT_EQ(info.codecs(), std::vector<std::string>{"ac3"});
}

TEST_F(ProducerLibraryTest, FrameSizesAreRoundedToWhatTheEncoderTakes) {
    ASSERT_EQ(encode(Clips::get().video(), "512k DSL or Cable", "odd", 330, 250), 1) << trace();
    const FileInfo info = probe(output("odd"));
    const StreamInfo* video = info.stream("video");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->values.at("width"), "332");
    EXPECT_EQ(video->values.at("height"), "252");
}

TEST_F(ProducerLibraryTest, TheCutRangeIsEncoded) {
    m_startTime = "00:00:01";
    m_endTime = "00:00:03";
    ASSERT_EQ(encode(Clips::get().longer(), "512k DSL or Cable", "cut", 160, 120), 1) << trace();
    const FileInfo info = probe(output("cut"));
    EXPECT_NEAR(info.duration, 2.0, 0.2);
    expectRisingProgressTo100();
}

TEST_F(ProducerLibraryTest, AFailedEncodingKeepsAnExistingFileAndReportsFailure) {
    // The audio-only audience has nothing to take from a clip without sound.
    test::writeFile(output("video"), "an earlier file");
    EXPECT_EQ(encode(Clips::get().video(), "Lossless Audio", "video"), 0);
    EXPECT_EQ(test::readFile(output("video")), "an earlier file");
    EXPECT_NE(trace().find("[producer] error: the audience has no stream"), std::string::npos) << trace();
    EXPECT_EQ(std::find(m_reports.percents.begin(), m_reports.percents.end(), 100), m_reports.percents.end());
}

// A stop reaches the producer's encoding loop: the encoding ends within two seconds, nothing takes the
// output's name and an earlier file of that name stays.
TEST_F(ProducerLibraryTest, AStopEndsTheEncodingSoonAndKeepsNothing) {
    const std::string clip = m_temp.path() + "/long.avi";
    ASSERT_TRUE(test::generateClip(clip, "av", 60.0, 320, 240));
    test::writeFile(output("long"), "an earlier file");
    struct Seen {
        std::atomic<int> percent{0};
    } seen;
    m_record.callback = [](std::int32_t percent, void* userData) {
        static_cast<Seen*>(userData)->percent.store(percent);
    };
    m_record.userData = &seen;
    CRealMediaEncoder encoder;
    ASSERT_EQ(encoder.Initialize(&m_record), 1);
    m_job.sourcePath = clip;
    m_job.outputPath = m_dir + "out/long";
    m_job.videoCodec = "256k DSL or Cable";
    m_job.width = 320;
    m_job.profile = &m_profile;
    ASSERT_EQ(encoder.PrepareCommand(&m_job), 1);
    std::chrono::steady_clock::time_point stopped;
    std::thread stopper([&] {
        while (seen.percent.load() < 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        stopped = std::chrono::steady_clock::now();
        encoder.RequestStop();
    });
    const std::int32_t result = encoder.RunConversion(m_job.outputPath.c_str(), 6);
    const auto ended = std::chrono::steady_clock::now();
    stopper.join();
    EXPECT_EQ(result, 0);
    EXPECT_LT(ended - stopped, std::chrono::seconds(2));
    EXPECT_LT(seen.percent.load(), 100) << "it was stopped, not finished";
    EXPECT_EQ(encoder.LastReport().outcome, engine::ConversionReport::Outcome::Stopped);
    EXPECT_EQ(test::readFile(output("long")), "an earlier file");
    EXPECT_EQ(filesIn(m_dir + "out"), (std::vector<std::string>{"long_new.rm"})) << "no work file is left";
}

TEST_F(ProducerLibraryTest, UnreadableSourcesAndMissingFoldersFail) {
    test::writeFile(m_dir + "notes.avi", "this is not a video");
    EXPECT_EQ(encode(m_dir + "notes.avi", "56k Dial-up", "notes"), 0);
    EXPECT_FALSE(test::fileExists(output("notes")));
    EXPECT_EQ(trace().find("Input File: " + m_dir + "notes.avi"), std::string::npos);

    EXPECT_EQ(encode(m_dir + "missing.avi", "56k Dial-up", "missing"), 0);

    m_profile.ExtName = "rm";
    CRealMediaEncoder encoder;
    ASSERT_EQ(encoder.Initialize(&m_record), 1);
    m_job = engine::ConversionJob{};
    m_job.sourcePath = Clips::get().av();
    m_job.outputPath = m_dir + "no/such/folder/av";
    m_job.profile = &m_profile;
    ASSERT_EQ(encoder.PrepareCommand(&m_job), 1);
    EXPECT_EQ(encoder.RunConversion(m_job.outputPath.c_str(), 6), 0);
    EXPECT_NE(trace().find("does not exist"), std::string::npos) << trace();
}

TEST_F(ProducerLibraryTest, AnEncoderThatFailsOrIsMissingLeavesNoPartialFile) {
    // The library's own settings name the encoder program: one that fails, one that is not there.
    fs::remove(m_dir + "common");
    fs::create_directory(m_dir + "common");
    const struct {
        const char* program;
        const char* reason;
    } cases[] = {{"false", "the encoder ended with exit code 1"}, {"/nonexistent/ffmpeg", "cannot start"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        test::writeFile(m_dir + "common/producer.conf", std::string("ffmpeg=") + c.program + "\n");
        test::writeFile(output("av"), "an earlier file");
        EXPECT_EQ(encode(Clips::get().av(), "56k Dial-up", "av"), 0);
        EXPECT_EQ(test::readFile(output("av")), "an earlier file");
        EXPECT_EQ(filesIn(m_dir + "out"), std::vector<std::string>{"av_new.rm"}) << "no work file left";
        EXPECT_NE(trace().find(c.reason), std::string::npos) << trace();
    }
}

// Work files that encodings ended before they finished left in the output folder go with the next
// encoding into it; one still being written, files that only share the name's form, and older names
// stay.
TEST_F(ProducerLibraryTest, WorkFilesOfEndedEncodingsGoWithTheNextEncoding) {
    const std::string out = m_dir + "out/";
    test::writeFile(out + "old_new.rm-part-Abc123.rm", ".RMF and the start of an encoding");
    test::writeFile(out + "empty_new.rm-part-Emp123.rm", "");
    const std::vector<std::string> kept = {"held_new.rm-part-Def456.rm", "notes.rm-part-Ghi789.txt",
                                           "x_new.rm.partial", "link.rm-part-Lnk123.rm"};
    test::writeFile(out + kept[0], ".RMF");
    test::writeFile(out + kept[1], "the user's notes");
    test::writeFile(out + kept[2], ".RMF");
    fs::create_symlink(out + kept[0], out + kept[3]);
    const int held = ::open((out + kept[0]).c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0) << "an encoding still under way";

    ASSERT_EQ(encode(Clips::get().av(), "56k Dial-up", "av"), 1) << trace();
    ::close(held);
    std::vector<std::string> expected = kept;
    expected.push_back("av_new.rm");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesIn(out), expected);
    EXPECT_NE(trace().find("removed \"" + out + "old_new.rm-part-Abc123.rm\", left by an encoding"),
              std::string::npos)
        << trace();
}

TEST_F(ProducerLibraryTest, WithoutItsFoldersTheLibraryRefusesToStart) {
    fs::remove(m_dir + "common");
    CRealMediaEncoder encoder;
    EXPECT_EQ(encoder.Initialize(&m_record), 0);
    EXPECT_EQ(encoder.loadStatus(), kFileNotFound);
}

TEST_F(ProducerLibraryTest, AShippedProfileGivesAFileThatDecodesCleanly) {
    const std::string path = std::string(MORVANE_SOURCE_PROFILES) + "/85-realmedia-2-256k-dsl.pf";
    profiles::Profile profile;
    profiles::parseProfileFile(path, "RealMedia - 256k DSL or Cable (320x240)", profile);
    ASSERT_TRUE(profile.isRealMedia()) << path;

    // As the batch driver prepares a row: the audience and the frame size come from the profile's
    // "vcodec" and "s" settings.
    m_job = engine::ConversionJob{};
    m_job.sourcePath = Clips::get().av();
    engine::resetJobSettings(m_job);
    const profiles::ProfileParam* audience = profile.findParam("vcodec");
    const profiles::ProfileParam* size = profile.findParam("s");
    ASSERT_TRUE(audience != nullptr && size != nullptr);
    m_job.videoCodec = audience->value;
    ASSERT_EQ(std::sscanf(size->value.c_str(), "%dx%d", &m_job.width, &m_job.height), 2);
    m_job.outputPath = m_dir + "out/av";
    m_job.profile = &profile;
    EXPECT_EQ(m_job.videoCodec.str(), "256k DSL or Cable");

    CRealMediaEncoder encoder;
    ASSERT_EQ(encoder.Initialize(&m_record), 1);
    ASSERT_EQ(encoder.PrepareCommand(&m_job), 1);
    ASSERT_EQ(encoder.RunConversion(m_job.outputPath.c_str(), m_job.targetCode), 1) << trace();
    EXPECT_EQ(m_job.outputPath.str(), m_dir + "out/av_new.rm");

    const FileInfo info = probe(m_job.outputPath.str());
    EXPECT_EQ(info.format, "rm");
    EXPECT_EQ(info.codecs(), (std::vector<std::string>{"rv20", "ac3"}));
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_EQ(info.stream("video")->values.at("width"), "320");
    EXPECT_EQ(info.stream("video")->values.at("height"), "240");
    // Every packet decodes without a complaint.
    std::string complaints;
    EXPECT_EQ(test::runProgram(
                  {"ffmpeg", "-nostdin", "-v", "error", "-i", m_job.outputPath.str(), "-f", "null", "-"},
                  &complaints),
              0);
    EXPECT_EQ(complaints, "");
}

// A sink of the test's own, straight on the library's objects.
class RecordingSink final : public EventSink {
public:
    Status queryInterface(const InterfaceId& id, void** result) noexcept override {
        if (result == nullptr) {
            return kPointer;
        }
        if (id != kEventSinkId) {
            return kNoInterface;
        }
        *result = static_cast<EventSink*>(this);
        return kOk;
    }
    std::uint32_t addRef() noexcept override { return ++references; }
    std::uint32_t release() noexcept override { return --references; }
    Status handleEvent(std::int32_t type, const std::int32_t*, const char* text, void*) noexcept override {
        types.push_back(type);
        if (text != nullptr) {
            lastText = text;
        }
        return kOk;
    }
    std::uint32_t references = 1;
    std::vector<std::int32_t> types;
    std::string lastText;
};

TEST_F(ProducerLibraryTest, TheLibrarysObjectsCheckTheirCallers) {
    auto opened = platform::SharedLibrary::open(m_dir + "tools/libencsession.so");
    ASSERT_TRUE(opened) << opened.error();
    const platform::SharedLibrary library = *std::move(opened);
    auto setAccessPath = library.function<SetAccessPathFunction>(kSetAccessPathExport);
    auto createFactory = library.function<CreateJobFactoryFunction>(kCreateJobFactoryExport);
    ASSERT_NE(setAccessPath, nullptr);
    ASSERT_NE(createFactory, nullptr);
    EXPECT_EQ(createFactory(nullptr), kPointer);
    EXPECT_EQ(setAccessPath(nullptr), kPointer);

    CRealMediaEncoder loader; // hands the library its access paths
    ASSERT_EQ(loader.Initialize(&m_record), 1);
    ObjectRef<JobFactory> factory;
    ASSERT_EQ(createFactory(factory.put()), kOk);

    void* raw = nullptr;
    EXPECT_EQ(factory->createInstance(kInputId, nullptr), kPointer);
    EXPECT_EQ(factory->createInstance(kEventSinkId, &raw), kNoInterface);
    EXPECT_EQ(factory->buildInstance(kOutputProfileId, nullptr, &raw, 1, 0), kInvalidArgument);

    ASSERT_EQ(factory->createInstance(kEncodingJobId, &raw), kOk);
    auto job = ObjectRef<EncodingJob>::adopt(static_cast<EncodingJob*>(raw));
    EXPECT_EQ(job->startEncoding(0), kInvalidArgument);

    // Every object answers its own id and the common one, and nothing else.
    void* same = nullptr;
    EXPECT_EQ(job->queryInterface(kEncodingJobId, &same), kOk);
    EXPECT_EQ(same, static_cast<void*>(job.get()));
    job->release();
    EXPECT_EQ(job->queryInterface(kObjectId, &same), kOk);
    static_cast<ProducerObject*>(same)->release();
    EXPECT_EQ(job->queryInterface(kInputId, &same), kNoInterface);

    RecordingSink sink;
    ObjectRef<EventManager> events;
    ASSERT_EQ(job->getEventManager(events.put()), kOk);
    ASSERT_EQ(events->subscribe(&sink), kOk);
    EXPECT_EQ(job->startEncoding(1), kUnexpected); // no input yet
    EXPECT_EQ(sink.types, (std::vector<std::int32_t>{kEventStarted, kEventError}));
    EXPECT_NE(sink.lastText.find("no input"), std::string::npos) << sink.lastText;
    EXPECT_EQ(events->unsubscribe(&sink), kOk);
    EXPECT_EQ(events->unsubscribe(&sink), kNotFound);
    EXPECT_EQ(sink.references, 1u);

    // An unknown plug-in name is refused.
    ASSERT_EQ(factory->createInstance(kPropertySetId, &raw), kOk);
    auto properties = ObjectRef<PropertySet>::adopt(static_cast<PropertySet*>(raw));
    properties->setString(kPropPluginType, kPluginTypeBlackLevel);
    properties->setString(kPropPluginName, "rn-prefilter-sharpen");
    EXPECT_EQ(factory->buildInstance(kPrefilterId, properties.get(), &raw, 0, 0), kNotFound);

    // Property sets keep each value under its own type.
    properties->setDouble("gain", 6.0);
    const char* text = nullptr;
    double real = 0;
    std::uint32_t whole = 0;
    EXPECT_EQ(properties->getString("gain", &text), kTypeMismatch);
    EXPECT_EQ(properties->getDouble("gain", &real), kOk);
    EXPECT_EQ(real, 6.0);
    EXPECT_EQ(properties->getUnsigned("absent", &whole), kNotFound);
    EXPECT_EQ(properties->getDouble("gain", nullptr), kPointer);
}

} // namespace
} // namespace morvane::realmedia
