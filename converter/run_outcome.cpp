#include "converter/run_outcome.h"

#include <cstdio>

namespace morvane::converter {

namespace {

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", value);
    return text;
}

// Why a finished run holds no picture and no sound, as far as the facts tell.
std::string whyNothingCameOut(const RunFacts& facts) {
    constexpr double kShortSource = 0.5; // shorter than this, a source may not fill one encoded frame
    const bool lengthKnown = facts.sourceLength > 0.0;
    if (facts.cutStart > 0.0 && (!lengthKnown || facts.cutStart >= facts.sourceLength)) {
        return lengthKnown ? ": the cut starts at " + seconds(facts.cutStart) +
                                 ", at or after the end of the " + seconds(facts.sourceLength) + " source"
                           : " (does the cut start at or after the end of the source?)";
    }
    const double left = facts.sourceLength - facts.cutStart;
    if (lengthKnown && left < kShortSource) {
        return (facts.cutStart > 0.0 ? ": the cut holds only " : ": the source lasts only ") + seconds(left) +
               ", too short for one frame of the target's encoder";
    }
    return {};
}

} // namespace

RunVerdict judgeRun(const RunFacts& facts, const std::string& outputPath) {
    RunVerdict verdict;
    const std::string nothing = "; nothing was written to \"" + outputPath + "\"";
    if (facts.abortSignal != 0) {
        verdict.exitCode = 128 + facts.abortSignal;
        verdict.message = "conversion interrupted by signal " + std::to_string(facts.abortSignal) + nothing;
        return verdict;
    }
    const bool exited = facts.status.kind == platform::ExitStatus::Kind::Exited;
    const bool finished = exited && facts.status.code == 0;
    const bool stoppedByInterrupt = exited && facts.status.code == 255 && facts.interruptSent;
    if (facts.discardOnStop && (facts.stopRequested || facts.interruptSent)) {
        verdict.exitCode = kStoppedExit;
        verdict.message = "stopped on request; the unfinished result was discarded" + nothing;
        return verdict;
    }
    if (finished || stoppedByInterrupt) {
        if (facts.outputBytes <= 0) {
            verdict.exitCode = 1;
            verdict.message = "ffmpeg wrote no data" + nothing;
            return verdict;
        }
        if (facts.progressSeen && !facts.mediaWritten) {
            verdict.exitCode = 1;
            verdict.message =
                "ffmpeg wrote no video frame and no audio sample" + whyNothingCameOut(facts) + nothing;
            return verdict;
        }
        verdict.keepOutput = true;
        if (facts.stopRequested || stoppedByInterrupt) {
            verdict.message = "stopped on request; \"" + outputPath + "\" holds what was converted so far";
        }
        return verdict;
    }
    if (exited) {
        verdict.exitCode = facts.status.code != 0 ? facts.status.code : 1;
        verdict.message = "ffmpeg failed with " + facts.status.describe() + nothing;
    } else {
        verdict.exitCode = 1;
        verdict.message = "ffmpeg was " + facts.status.describe() + nothing;
    }
    return verdict;
}

} // namespace morvane::converter
