#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace morvane::producer {

struct RunOutcome {
    bool started = false;
    std::string startError; // why the encoder could not be started
    platform::ExitStatus exit;
    bool progressEnded = false; // the encoder said its progress was complete
    bool stopped = false;       // a stop request ended the encoder
};

// Runs the encoder program with `arguments`, following its progress against `totalSeconds`.
// `onPercent` receives rising percentages (0 to 99); `onMessage` every other line it prints, a line
// repeated many times only once more with its count. `passedDescriptor` (unless -1) reaches the
// encoder as its descriptor 3. Blocks until the encoder has ended; once `stop` (when given) is set, the
// encoder is ended within a few tenths of a second.
RunOutcome runEncoder(const std::string& program, const std::vector<std::string>& arguments,
                      double totalSeconds, const std::function<void(int)>& onPercent,
                      const std::function<void(std::string_view)>& onMessage, int passedDescriptor = -1,
                      const std::atomic<bool>* stop = nullptr);

// The arguments as one line for the log, with quotes around those that need them.
std::string describeCommand(const std::string& program, const std::vector<std::string>& arguments);

} // namespace morvane::producer
