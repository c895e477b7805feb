#include "platform/signal_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/unique_fd.h"

namespace morvane::platform {

namespace {

// The write end the handler uses; a plain int behind an atomic so the handler may read it.
std::atomic<int> g_writeEnd{-1};

extern "C" void onSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // The pipe does not block: when it is full, enough signals are already waiting.
    [[maybe_unused]] const auto n = ::write(g_writeEnd.load(), &byte, 1);
    errno = saved;
}

} // namespace

struct SignalPipe::State {
    UniqueFd readEnd;
    UniqueFd writeEnd;
    std::vector<std::pair<int, struct sigaction>> earlier;

    ~State() {
        for (const auto& [signal, action] : earlier) {
            ::sigaction(signal, &action, nullptr);
        }
        int mine = writeEnd.get();
        g_writeEnd.compare_exchange_strong(mine, -1);
    }
};

SignalPipe::SignalPipe() = default;
SignalPipe::SignalPipe(SignalPipe&& other) noexcept = default;
SignalPipe& SignalPipe::operator=(SignalPipe&& other) noexcept = default;
SignalPipe::~SignalPipe() = default;

SignalPipe SignalPipe::install(std::initializer_list<int> signals) {
    SignalPipe result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return result;
    }
    result.m_state = std::make_unique<State>();
    result.m_state->readEnd.reset(fds[0]);
    result.m_state->writeEnd.reset(fds[1]);
    g_writeEnd.store(fds[1]);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : signals) {
        struct sigaction earlier {};
        if (::sigaction(signal, &action, &earlier) == 0) {
            result.m_state->earlier.emplace_back(signal, earlier);
        }
    }
    return result;
}

bool SignalPipe::valid() const {
    return m_state != nullptr;
}

int SignalPipe::fd() const {
    return m_state != nullptr ? m_state->readEnd.get() : -1;
}

int SignalPipe::take() {
    if (m_state == nullptr) {
        return 0;
    }
    unsigned char byte = 0;
    ssize_t n = 0;
    do {
        n = ::read(m_state->readEnd.get(), &byte, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? byte : 0;
}

int SignalPipe::wait(int timeoutMs) {
    if (m_state == nullptr) {
        ::poll(nullptr, 0, timeoutMs); // no signal can come, but the caller's loop keeps its pace
        return 0;
    }
    pollfd ready{m_state->readEnd.get(), POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) <= 0) {
        return 0;
    }
    return take();
}

} // namespace morvane::platform
