#include "platform/power_control.h"

#include <poll.h>

#include <chrono>
#include <csignal>
#include <cstdlib>

#include "platform/event_log.h"
#include "platform/process.h"

namespace morvane::platform {

namespace {

// Holds a logind inhibitor through `systemd-inhibit`, which keeps it while its command runs: the
// command ends as `cat` reading a pipe of ours, so closing the pipe (or our death) releases it.
class InhibitorGuard final : public PowerGuard {
public:
    explicit InhibitorGuard(const std::string& why) {
        SpawnOptions options;
        options.stdinMode = StdStream::Pipe;
        options.stdoutMode = StdStream::Pipe;
        options.stderrMode = StdStream::Pipe;
        // systemd-inhibit starts its command once the inhibitor is held, and gives up at once without logind:
        // the command's first line says the inhibitor is there, the end of the output that it is not.
        auto started =
            ChildProcess::start({"systemd-inhibit", "--what=sleep:idle", "--who=Morvane", "--why=" + why,
                                 "--mode=block", "sh", "-c", "echo held && exec cat"},
                                options);
        if (!started) {
            m_description = "sleep and idle are not inhibited: " + started.error();
            return;
        }
        m_child = *std::move(started);
        if (!saysHeld()) {
            m_child.kill(SIGTERM);
            const auto status = m_child.wait();
            char buffer[512];
            const auto n = m_child.readStderr(buffer, sizeof buffer - 1);
            std::string reason = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : status.describe();
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) {
                reason.pop_back();
            }
            m_description = "sleep and idle are not inhibited (logind not reachable): " + reason;
            m_child = ChildProcess();
            return;
        }
        m_child.closeStdout();
        m_active = true;
        m_description = "sleep and idle inhibited through logind";
    }

    ~InhibitorGuard() override {
        if (m_child.valid()) {
            m_child.closeStdin();
            if (!m_child.waitFor(std::chrono::milliseconds(500))) {
                m_child.kill(SIGTERM);
                m_child.wait();
            }
        }
    }

    InhibitorGuard(const InhibitorGuard&) = delete;
    InhibitorGuard& operator=(const InhibitorGuard&) = delete;

    bool active() const override { return m_active; }
    std::string describe() const override { return m_description; }

private:
    // Waits for the command's line, a few seconds at most for a slow logind.
    bool saysHeld() {
        std::string said;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd output{m_child.stdoutFd(), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&output, 1, static_cast<int>(left.count())) == 0) {
                return false;
            }
            char buffer[64];
            const auto n = m_child.readStdout(buffer, sizeof buffer);
            if (n <= 0) {
                return false;
            }
            said.append(buffer, static_cast<std::size_t>(n));
            if (said.find('\n') != std::string::npos) {
                return said.rfind("held", 0) == 0;
            }
        }
    }

    ChildProcess m_child;
    bool m_active = false;
    std::string m_description;
};

} // namespace

SystemPowerControl::SystemPowerControl(std::vector<std::string> powerOff) : m_powerOff(std::move(powerOff)) {}

std::optional<Failure> SystemPowerControl::shutdown() {
    if (m_powerOff.empty() && std::getenv("MORVANE_TESTING") != nullptr) {
        reportEvent(EventType::Information, 3, "shutdown refused: running under the test suite");
        return Failure{"shutdown refused: running under the test suite"};
    }
    SpawnOptions options;
    options.stdoutMode = StdStream::Closed;
    options.stderrMode = StdStream::Pipe;
    options.dieWithParent = false; // the request must outlive us
    const std::vector<std::string> command =
        m_powerOff.empty() ? std::vector<std::string>{"systemctl", "poweroff"} : m_powerOff;
    auto started = ChildProcess::start(command, options);
    if (!started) {
        return Failure{command.front() + " cannot be started: " + started.error()};
    }
    ChildProcess child = *std::move(started);
    // What systemctl says when logind cannot be reached or refuses.
    std::string said;
    char buffer[512];
    for (ssize_t n = 0; (n = child.readStderr(buffer, sizeof buffer)) > 0 && said.size() < 4096;) {
        said.append(buffer, static_cast<std::size_t>(n));
    }
    const ExitStatus status = child.wait();
    if (status.success()) {
        return std::nullopt;
    }
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ')) {
        said.pop_back();
    }
    if (const auto lastBreak = said.rfind('\n'); lastBreak != std::string::npos) {
        said.erase(0, lastBreak + 1);
    }
    return Failure{"the power-off request failed (" + status.describe() + ")" +
                   (said.empty() ? "" : ": " + said)};
}

std::unique_ptr<PowerGuard> SystemPowerControl::inhibitSleep(const std::string& why) {
    return std::make_unique<InhibitorGuard>(why);
}

} // namespace morvane::platform
