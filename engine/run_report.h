#pragma once

// What the engine tells the user about a conversion beyond its result: why it failed, in the
// converter's words where it gave any, and whether an output it kept is shorter than its source.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "engine/conversion_job.h"

namespace morvane::engine {

// The lines a converter printed that were not progress, the last `capacity` of them.
class DiagnosticLines {
public:
    static constexpr std::size_t kCapacity = 40;

    void clear() { m_lines.clear(); }
    void add(std::string_view line);
    const std::deque<std::string>& lines() const { return m_lines; }

private:
    std::deque<std::string> m_lines;
};

// Why a conversion failed, from the lines its converter printed (oldest first): a known text in a
// user's words (no stream for the profile, a cut that starts after its end, an output folder that is a
// file, a full disk, an output that would replace its source, a source too short for one frame, a
// converter ended by a signal); otherwise FFmpeg's
// last word before the converter's verdict, else the verdict itself. Empty when the lines say nothing.
std::string converterFailureReason(const std::deque<std::string>& lines);

// How long the output of `job` should last, in seconds: its cut range within the probed source, or the
// whole source. Nothing when the source's length is not known.
std::optional<double> expectedOutputSeconds(const ConversionJob& job);

// The warning for an output that holds only `convertedSeconds` of `expectedSeconds`: the source ended
// early (a truncated download whose header promises more). Said when at least a tenth and two seconds
// are missing; nothing otherwise.
std::optional<std::string> shortOutputWarning(double expectedSeconds, double convertedSeconds);

// A reason or warning of the above (kept in English in the trace and the JSON events) as the user reads
// it: in the user's language where it is one of the engine's own texts; the converter's own words as
// they stand.
std::string shownRunNote(const std::string& note);

} // namespace morvane::engine
