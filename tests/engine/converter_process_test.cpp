#include "engine/converter_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_log.h"
#include "engine/line_splitter.h"
#include "engine/trace_file.h"
#include "tests/engine/engine_test_env.h"

namespace morvane::engine {
namespace {

using test::EventRecorder;
using test::FakeProgramDir;
using test::RecordingOwner;

const std::string kStopBlock("q\0\0\0\0\0\0\0\0\0", 10);

TEST(ConverterExitJudgement, DecidesByExitAndStopRequest) {
    using Kind = platform::ExitStatus::Kind;
    struct Case {
        platform::ExitStatus status;
        bool stopRequested;
        ConverterVerdict verdict;
    };
    const std::vector<Case> cases = {
        {{Kind::Exited, 0, false}, false, ConverterVerdict::Succeeded},
        {{Kind::Exited, 1, false}, false, ConverterVerdict::Failed},
        {{Kind::Exited, 255, false}, false, ConverterVerdict::Failed},
        {{Kind::Exited, -1, false}, false, ConverterVerdict::Failed}, // the exit could not be learnt
        {{Kind::Signalled, 9, false}, false, ConverterVerdict::Failed},
        {{Kind::Signalled, 11, true}, false, ConverterVerdict::Failed},
        {{Kind::Exited, 0, false}, true, ConverterVerdict::Stopped},
        {{Kind::Exited, 1, false}, true, ConverterVerdict::Stopped},
        {{Kind::Signalled, 9, false}, true, ConverterVerdict::Stopped},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(judgeConverterExit(c.status, c.stopRequested), c.verdict)
            << c.status.describe() << " stop " << c.stopRequested;
    }
}

TEST(ConverterProcess, DeliversLinesAsTheConverterCutsThem) {
    FakeProgramDir program;
    // Every "out" piece reaches the reader as a chunk of its own.
    program.script("chunk 4\n"
                   "out abc\\r\\ndef\\n\n" // "abc\r" ends a chunk: its carriage return stays
                   "chunk 5\n"
                   "out gh\\r\\nij\\n\n" // "gh\r\ni": the carriage return is dropped
                   "chunk 3\n"
                   "out \\n\\r\\n\\n\n" // empty lines
                   "chunk 0\n"
                   "longline 5000\n"
                   "out tail without line feed\n");
    RecordingOwner owner;
    ConverterProcess process;
    const std::string command = program.commandLine("-i \"in put.avi\"");
    process.Init(command, &owner, 7);
    ASSERT_EQ(process.Start(), 1);

    const std::vector<std::string> expected = {
        "abc\r", "def", "gh", "ij", "", "", "", std::string(5000, 'x'), "tail without line feed"};
    EXPECT_EQ(owner.lines(), expected);
    ASSERT_FALSE(owner.events().empty());
    const auto events = owner.events();
    EXPECT_EQ(events.front().code, ConverterEvent::Started);
    EXPECT_GT(events.front().number, 0);
    EXPECT_EQ(owner.processHandle, events.front().number);
    EXPECT_EQ(events.back().code, ConverterEvent::Finished);
    EXPECT_EQ(events.back().number, 0);
    for (const auto& event : events) {
        EXPECT_EQ(event.userValue, 7);
    }
    EXPECT_EQ(program.args(), "ffmpeg-converter\n-i\nin put.avi\n");
    EXPECT_TRUE(process.lastRun().started);
    EXPECT_TRUE(process.lastRun().exit.success());

    // The trace holds the command line and every line, each followed by "\r\n".
    std::string trace = command + "\r\n";
    for (const auto& line : expected) {
        trace += line + "\r\n";
    }
    EXPECT_EQ(program.trace(), trace);
}

TEST(ConverterProcess, TraceFileIsEmptiedOnceAndKeepsEveryRun) {
    FakeProgramDir program;
    morvane::test::writeFile(program.file("trace.flt"), "left over from an earlier run\n");
    program.script("out one\\n\n");
    RecordingOwner owner;
    ConverterProcess process;
    process.Init(program.commandLine("first"), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    process.Init(program.commandLine("second"), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(program.trace(),
              program.commandLine("first") + "\r\none\r\n" + program.commandLine("second") + "\r\none\r\n");
}

// A second program sharing the folder finds the trace held by the first, which is still writing it:
// it leaves those lines alone and keeps its own in "trace-2.flt" (the next free number), and names it.
TEST(ConverterProcess, ATraceHeldByALiveRunKeepsItsLines) {
    FakeProgramDir program;
    const std::string firstRuns = "the first run's line\r\n";
    morvane::test::writeFile(program.file("trace.flt"), firstRuns);
    const int live = ::open(program.file("trace.flt").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    writeTraceLine("the second run's line");
    EXPECT_EQ(traceFilePath(), program.file("trace-2.flt"));
    EXPECT_EQ(writtenTraceFile(), program.file("trace-2.flt"));
    EXPECT_EQ(program.trace(), firstRuns);
    EXPECT_EQ(morvane::test::readFile(program.file("trace-2.flt")), "the second run's line\r\n");
    closeTraceFile();
    ::close(live);
    // With the first run gone, the next run takes "trace.flt" again and empties it.
    writeTraceLine("a later run");
    EXPECT_EQ(program.trace(), "a later run\r\n");
}

TEST(ConverterProcess, ATaggedThreadMarksEachOfItsTraceLines) {
    FakeProgramDir program;
    program.script("out one\\ntwo\\n\n");
    RecordingOwner owner;
    ConverterProcess process;
    EventRecorder events;
    std::thread tagged([&] {
        const ScopedTraceTag tag("[2] ");
        logCommandLine("-i clip.avi");
        process.Init(program.commandLine("x"), &owner, 0);
        ASSERT_EQ(process.Start(), 1);
        writeTrace("a\r\nb\r\n");
    });
    tagged.join();
    writeTraceLine("untagged");
    EXPECT_EQ(program.trace(),
              "[2] " + program.commandLine("x") + "\r\n[2] one\r\n[2] two\r\n[2] a\r\n[2] b\r\nuntagged\r\n");
    EXPECT_EQ(events.messages(kCommandEventId), (std::vector<std::string>{"[2] -i clip.avi"}));
    EXPECT_EQ(taggedLines("", "[1] "), "[1] ");
    EXPECT_EQ(taggedLines("x\ny", "> "), "> x\n> y");
}

TEST(ConverterProcess, StopRequestSendsQuitAndEndsWithoutTheEndEvent) {
    FakeProgramDir program;
    program.script("out frame=1 time=1\\n\nwaitq\nout stopping\\n\nexit 0\n");
    RecordingOwner owner;
    ConverterProcess process;
    process.Init(program.commandLine(), &owner, 0);
    std::int32_t started = -1;
    std::thread worker([&] { started = process.Start(); });
    ASSERT_TRUE(owner.waitForFirstLine());
    owner.reply = 5;
    EXPECT_EQ(process.RequestStop(), 5); // the owner's reply to the stop event
    worker.join();

    EXPECT_EQ(started, 1);
    EXPECT_EQ(program.stdinBytes(), kStopBlock);
    EXPECT_EQ(owner.count(ConverterEvent::StopRequested), 1);
    EXPECT_EQ(owner.count(ConverterEvent::Finished), 0);
    EXPECT_EQ(owner.lines(), (std::vector<std::string>{"frame=1 time=1", "stopping"}));
    EXPECT_TRUE(process.lastRun().stopRequested);
}

TEST(ConverterProcess, StopRequestedWhileStartingReachesTheConverter) {
    FakeProgramDir program;
    program.script("waitq\nexit 0\n");
    RecordingOwner owner;
    ConverterProcess process;
    process.Init(program.commandLine(), &owner, 0);
    process.RequestStop(); // after Init, before the converter runs
    EXPECT_EQ(process.Start(), 1);
    EXPECT_EQ(program.stdinBytes(), kStopBlock);
    EXPECT_EQ(owner.count(ConverterEvent::Finished), 0);
    EXPECT_TRUE(process.lastRun().stopRequested);

    // A new Init forgets an old request.
    process.RequestStop();
    program.script("exit 0\n");
    process.Init(program.commandLine(), &owner, 0);
    EXPECT_EQ(process.Start(), 1);
    EXPECT_FALSE(process.lastRun().stopRequested);
    EXPECT_EQ(owner.count(ConverterEvent::Finished), 1);
}

TEST(ConverterProcess, RequestStopWithoutARunOnlyTellsTheOwner) {
    RecordingOwner owner;
    ConverterProcess process;
    process.Init("unused", &owner, 3);
    EXPECT_EQ(process.RequestStop(), 1);
    ASSERT_EQ(owner.events().size(), 1u);
    EXPECT_EQ(owner.events().front().code, ConverterEvent::StopRequested);
    EXPECT_EQ(owner.events().front().number, 0);
    EXPECT_EQ(owner.events().front().userValue, 3);
}

TEST(ConverterProcess, MissingConverterSendsTheEndEventWithTheError) {
    FakeProgramDir program(false);
    EventRecorder log;
    RecordingOwner owner;
    ConverterProcess process;
    const std::string command = program.commandLine();
    process.Init(command, &owner, 0);
    EXPECT_EQ(process.Start(), 0);
    ASSERT_EQ(owner.events().size(), 1u);
    EXPECT_EQ(owner.events().front().code, ConverterEvent::Finished);
    EXPECT_EQ(owner.events().front().number, ENOENT);
    EXPECT_FALSE(process.lastRun().started);
    EXPECT_NE(process.lastRun().io.error().find("No such file"), std::string::npos);
    const auto errors = log.messages(1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "Module:CFFMPEGENCODER,Line:Start,Error Info :" + process.lastRun().io.error());
    EXPECT_EQ(program.trace(), command + "\r\n" + process.lastRun().io.error() + "\r\n");
}

TEST(ConverterProcess, RunsInTheGivenWorkingDirectory) {
    FakeProgramDir program;
    const std::string folder = program.file("output folder");
    std::filesystem::create_directory(folder);
    program.script("exit 0\n");
    RecordingOwner owner;
    ConverterProcess process;
    process.Init(program.commandLine(), &owner, 0, folder);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(program.workingDirectory(), folder);

    // A folder that is not there: the converter cannot start.
    process.Init(program.commandLine(), &owner, 0, program.file("missing"));
    EXPECT_EQ(process.Start(), 0);
    EXPECT_EQ(owner.events().back().code, ConverterEvent::Finished);
    EXPECT_EQ(owner.events().back().number, ENOENT);
}

TEST(ConverterProcess, RecordsHowTheConverterEnded) {
    FakeProgramDir program;
    RecordingOwner owner;
    ConverterProcess process;

    program.script("out failing\\n\nexit 3\n");
    process.Init(program.commandLine(), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(process.lastRun().exit.kind, platform::ExitStatus::Kind::Exited);
    EXPECT_EQ(process.lastRun().exit.code, 3);
    // The output ended normally: the end event carries 0 whatever the exit code.
    EXPECT_EQ(owner.events().back().code, ConverterEvent::Finished);
    EXPECT_EQ(owner.events().back().number, 0);

    program.script("kill\n");
    process.Init(program.commandLine(), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(process.lastRun().exit.kind, platform::ExitStatus::Kind::Signalled);
}

TEST(ConverterProcess, WaitsForTheConverterAfterItsOutputCloses) {
    FakeProgramDir program;
    program.script("out done\\n\ncloseout\nsleep 200\nexit 4\n");
    RecordingOwner owner;
    ConverterProcess process;
    process.Init(program.commandLine(), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(process.lastRun().exit.code, 4);
    EXPECT_EQ(owner.lines(), std::vector<std::string>{"done"});
}

TEST(ConverterProcess, OwnerFailureEndsTheConverter) {
    FakeProgramDir program;
    program.script("out first\\n\nsleep 20000\nexit 0\n");
    EventRecorder log;
    RecordingOwner owner;
    owner.throwOnLine = true;
    ConverterProcess process;
    process.Init(program.commandLine(), &owner, 0);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(process.Start(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
    EXPECT_EQ(process.lastRun().exit.kind, platform::ExitStatus::Kind::Signalled);
    EXPECT_EQ(owner.events().back().code, ConverterEvent::Finished);
    EXPECT_EQ(owner.events().back().number, EIO);
    EXPECT_EQ(log.messages(1), std::vector<std::string>{
                                   "Module:CFFMPEGENCODER,Line:ReadOutput,Error Info :cannot take the line"});
}

TEST(ConverterProcess, HundredThousandLinesKeepMemoryFlat) {
    FakeProgramDir program;
    program.script("lines 100000 [mpeg4 @ 0x5581] diagnostic line \n");
    RecordingOwner owner;
    owner.keepLines = false;
    ConverterProcess process;
    std::size_t largestBuffer = 0;
    owner.onEachLine = [&] { largestBuffer = std::max(largestBuffer, process.lineBufferCapacity()); };
    process.Init(program.commandLine(), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(owner.lineCount(), 100000u);
    EXPECT_LT(owner.longestLine(), 64u);
    // The reader holds at most one line, whatever the amount of output.
    EXPECT_LT(largestBuffer, 256u);
    EXPECT_EQ(owner.count(ConverterEvent::Finished), 1);

    std::size_t expectedTrace = program.commandLine().size() + 2;
    for (int i = 0; i < 100000; ++i) {
        expectedTrace +=
            std::string("[mpeg4 @ 0x5581] diagnostic line ").size() + std::to_string(i).size() + 2;
    }
    EXPECT_EQ(std::filesystem::file_size(program.file("trace.flt")), expectedTrace);
}

TEST(ConverterProcess, OutputWithoutLineFeedsStaysBounded) {
    FakeProgramDir program;
    const std::size_t total = 2 * kMaxLineBytes + 1000;
    program.script("text " + std::to_string(total) + "\n");
    RecordingOwner owner;
    owner.keepLines = false;
    ConverterProcess process;
    std::size_t largestBuffer = 0;
    owner.onEachLine = [&] { largestBuffer = std::max(largestBuffer, process.lineBufferCapacity()); };
    process.Init(program.commandLine(), &owner, 0);
    ASSERT_EQ(process.Start(), 1);
    EXPECT_EQ(owner.lineCount(), 3u);
    EXPECT_EQ(owner.longestLine(), kMaxLineBytes);
    EXPECT_LE(largestBuffer, 2 * kMaxLineBytes);
    EXPECT_LT(process.lineBufferCapacity(), 70000u);
}

} // namespace
} // namespace morvane::engine
