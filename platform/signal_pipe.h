#pragma once

// The self-pipe for signals: a handler may do almost nothing, so it writes the signal's number to a
// pipe that the program's own loop polls and reads at leisure.

#include <initializer_list>
#include <memory>

namespace morvane::platform {

class SignalPipe {
public:
    SignalPipe();
    // Routes `signals` into a new pipe; without one (out of descriptors) the signals keep their
    // actions and the pipe is not valid. A newer pipe takes the signals over; pipes end in the reverse
    // order of their installing.
    static SignalPipe install(std::initializer_list<int> signals);

    SignalPipe(SignalPipe&& other) noexcept;
    SignalPipe& operator=(SignalPipe&& other) noexcept;
    // Gives the signals back their earlier actions.
    ~SignalPipe();

    bool valid() const;
    // Readable when a signal has arrived; for poll(). -1 when not valid.
    int fd() const;
    // The next signal that arrived, 0 when none is waiting. Never blocks.
    int take();
    // Waits up to `timeoutMs` milliseconds for a signal; 0 when none came.
    int wait(int timeoutMs);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace morvane::platform
