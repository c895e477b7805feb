#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "platform/process.h"
#include "platform/program_dir.h"

namespace morvane::test {

namespace {
// The test executables load the program's plugins from the build's program directory.
[[maybe_unused]] const bool kPluginsFromTheBuild = [] {
    platform::setPluginDirectory(MORVANE_PROGRAM_DIR);
    return true;
}();
} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(const std::string& name) const {
    return m_path + "/" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    try {
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    } catch (const std::ios_base::failure&) {
        return {}; // a failed read, such as a file under /proc of a process that has just ended
    }
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

int runProgram(const std::vector<std::string>& argv, std::string* output) {
    platform::SpawnOptions options;
    options.stdoutMode = output != nullptr ? platform::StdStream::Pipe : platform::StdStream::Closed;
    options.stderrMode =
        output != nullptr ? platform::StdStream::MergeWithStdout : platform::StdStream::Closed;
    auto started = platform::ChildProcess::start(argv, options);
    if (!started) {
        if (output != nullptr) {
            *output = started.error();
        }
        return 127;
    }
    platform::ChildProcess child = *std::move(started);
    if (output != nullptr) {
        output->clear();
        char buffer[4096];
        for (;;) {
            const auto n = child.readStdout(buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            output->append(buffer, static_cast<std::size_t>(n));
        }
    }
    const auto status = child.wait();
    return status.kind == platform::ExitStatus::Kind::Exited ? status.code : 128 + status.code;
}

bool generateClip(const std::string& path, const std::string& kind, double seconds, int width, int height) {
    std::ostringstream size;
    size << width << "x" << height;
    std::ostringstream duration;
    duration << seconds;
    std::vector<std::string> argv{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    const std::string video = "testsrc=size=" + size.str() + ":rate=25:duration=" + duration.str();
    const std::string audio = "sine=frequency=440:sample_rate=44100:duration=" + duration.str();
    if (kind == "av") {
        argv.insert(argv.end(), {"-f", "lavfi", "-i", video, "-f", "lavfi", "-i", audio, "-shortest"});
    } else if (kind == "video") {
        argv.insert(argv.end(), {"-f", "lavfi", "-i", video});
    } else if (kind == "audio") {
        argv.insert(argv.end(), {"-f", "lavfi", "-i", audio});
    } else if (kind == "still") {
        argv.insert(argv.end(),
                    {"-f", "lavfi", "-i", "testsrc=size=" + size.str() + ":rate=1", "-frames:v", "1"});
    } else {
        return false;
    }
    argv.push_back(path);
    return runProgram(argv) == 0 && fileExists(path);
}

namespace {
class RecordingGuard final : public platform::PowerGuard {
public:
    explicit RecordingGuard(int* held) : m_held(held) { ++*m_held; }
    ~RecordingGuard() override { --*m_held; }
    RecordingGuard(const RecordingGuard&) = delete;
    RecordingGuard& operator=(const RecordingGuard&) = delete;
    bool active() const override { return true; }
    std::string describe() const override { return "recording guard"; }

private:
    int* m_held = nullptr;
};
} // namespace

std::unique_ptr<platform::PowerGuard> RecordingPowerControl::inhibitSleep(const std::string& why) {
    ++guardsTaken;
    reasons.push_back(why);
    return std::make_unique<RecordingGuard>(&guardsHeld);
}

} // namespace morvane::test
