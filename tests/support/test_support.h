#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/power_control.h"

namespace morvane::test {

// A fresh folder under the system's temporary directory, removed with everything in it when the
// object goes. path() ends without a separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// Runs a program (argument vector, no shell) and returns its exit code; output goes to `output`
// when given (standard output and error merged).
int runProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

// Generates a small media file with ffmpeg's lavfi sources. `kind` is one of
// "av" (test pattern + sine), "video" (no audio), "audio" (sine only) or "still" (one PNG frame).
// Returns false when ffmpeg is missing or fails.
bool generateClip(const std::string& path, const std::string& kind, double seconds = 2.0, int width = 320,
                  int height = 240);

// Records every call; never reaches the system.
class RecordingPowerControl final : public platform::PowerControl {
public:
    std::optional<platform::Failure> shutdown() override {
        ++shutdownCalls;
        return shutdownRefusal;
    }
    std::unique_ptr<platform::PowerGuard> inhibitSleep(const std::string& why) override;

    int shutdownCalls = 0;
    std::optional<platform::Failure> shutdownRefusal; // what every shutdown request answers
    int guardsTaken = 0;
    int guardsHeld = 0; // guards alive right now
    std::vector<std::string> reasons;
};

} // namespace morvane::test
