#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/expected.h"

namespace morvane::platform {

// Keeps the machine from sleeping or idling while it lives.
class PowerGuard {
public:
    virtual ~PowerGuard() = default;
    // False where the inhibitor could not be taken (no logind, as in containers and CI).
    virtual bool active() const = 0;
    // One line saying what the guard holds or why it holds nothing.
    virtual std::string describe() const = 0;
};

// Shutdown and power guards, injectable so that no test can reach the real shutdown.
class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Asks the system to power off; returns once the request was taken or refused: nothing when it was
    // taken, else why not (no logind to ask, the request refused).
    virtual std::optional<Failure> shutdown() = 0;
    virtual std::unique_ptr<PowerGuard> inhibitSleep(const std::string& why) = 0;
};

// The real thing: `systemctl poweroff` (which asks logind) and a logind inhibitor held through
// `systemd-inhibit`. When the environment variable MORVANE_TESTING is set, shutdown refuses and only
// logs, as a second line of defence behind the rule that tests inject a fake.
class SystemPowerControl final : public PowerControl {
public:
    std::optional<Failure> shutdown() override;
    std::unique_ptr<PowerGuard> inhibitSleep(const std::string& why) override;
};

} // namespace morvane::platform
