#include "producer/encoder_run.h"

#include <poll.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <string>

#include "producer/progress_tracker.h"

namespace morvane::producer {

namespace {

// Beyond this many different messages an encoder is only repeating its trouble.
constexpr std::size_t kMaxMessages = 100;

// Passes each different message on once and counts repeats, so a rate-control complaint on every
// frame does not flood the log.
class MessageFilter {
public:
    explicit MessageFilter(const std::function<void(std::string_view)>& onMessage) : m_onMessage(onMessage) {}

    void add(std::string_view line) {
        const auto found = m_counts.find(line);
        if (found != m_counts.end()) {
            ++found->second;
            return;
        }
        if (m_counts.size() >= kMaxMessages) {
            ++m_dropped;
            return;
        }
        m_counts.emplace(std::string(line), 1);
        m_onMessage(line);
    }

    void finish() {
        for (const auto& [line, count] : m_counts) {
            if (count > 1) {
                m_onMessage("(repeated " + std::to_string(count - 1) + " more times) " + line);
            }
        }
        if (m_dropped > 0) {
            m_onMessage("(" + std::to_string(m_dropped) + " further messages left out)");
        }
    }

private:
    const std::function<void(std::string_view)>& m_onMessage;
    std::map<std::string, int, std::less<>> m_counts;
    int m_dropped = 0;
};

} // namespace

RunOutcome runEncoder(const std::string& program, const std::vector<std::string>& arguments,
                      double totalSeconds, const std::function<void(int)>& onPercent,
                      const std::function<void(std::string_view)>& onMessage, int passedDescriptor,
                      const std::atomic<bool>* stop) {
    RunOutcome outcome;
    std::vector<std::string> argv;
    argv.reserve(arguments.size() + 1);
    argv.push_back(program);
    argv.insert(argv.end(), arguments.begin(), arguments.end());

    platform::SpawnOptions options;
    options.stdinMode = platform::StdStream::Closed;
    options.stdoutMode = platform::StdStream::Pipe;
    options.stderrMode = platform::StdStream::MergeWithStdout;
    options.passedDescriptor = passedDescriptor;
    auto started = platform::ChildProcess::start(argv, options);
    if (!started) {
        outcome.startError = started.error().empty() ? "cannot start " + program : started.error();
        return outcome;
    }
    platform::ChildProcess child = *std::move(started);
    outcome.started = true;

    ProgressTracker tracker(totalSeconds);
    MessageFilter messages(onMessage);
    LineSplitter splitter;
    const auto onLine = [&](std::string_view line) {
        const ProgressTracker::Update update = tracker.onLine(line);
        if (update.kind == ProgressTracker::Kind::Message) {
            // Said once for every packet that does not decode: "Error while decoding stream #0:1: ..."
            constexpr std::string_view kDecodeError = "Error while decoding stream #0:";
            if (const auto at = line.find(kDecodeError); at != std::string_view::npos) {
                ++outcome
                      .packetsLost[std::atoi(std::string(line.substr(at + kDecodeError.size(), 4)).c_str())];
            }
            messages.add(line);
        } else if (update.percent) {
            onPercent(*update.percent);
        }
    };
    char buffer[4096];
    // How often a stop request is looked for while the encoder says nothing.
    constexpr int kStopLookMs = 200;
    for (;;) {
        if (stop != nullptr && !outcome.stopped) {
            if (stop->load()) {
                outcome.stopped = true;
                child.kill(SIGKILL); // what it wrote is discarded: nothing to finish cleanly
            } else {
                pollfd output{child.stdoutFd(), POLLIN, 0};
                if (::poll(&output, 1, kStopLookMs) == 0) {
                    continue;
                }
            }
        }
        const ssize_t count = child.readStdout(buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        splitter.feed(std::string_view(buffer, static_cast<std::size_t>(count)), onLine);
    }
    splitter.finish(onLine);
    messages.finish();
    outcome.exit = child.wait();
    outcome.progressEnded = tracker.ended();
    outcome.outputSeconds = tracker.outputSeconds();
    return outcome;
}

std::string describeCommand(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line = program;
    for (const std::string& argument : arguments) {
        line.push_back(' ');
        if (argument.empty() || argument.find_first_of(" \t\"'") != std::string::npos) {
            line.push_back('"');
            for (const char c : argument) {
                if (c == '"' || c == '\\') {
                    line.push_back('\\');
                }
                line.push_back(c);
            }
            line.push_back('"');
        } else {
            line.append(argument);
        }
    }
    return line;
}

} // namespace morvane::producer
