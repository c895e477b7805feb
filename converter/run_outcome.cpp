#include "converter/run_outcome.h"

namespace morvane::converter {

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
    if (finished || stoppedByInterrupt) {
        if (facts.outputBytes <= 0) {
            verdict.exitCode = 1;
            verdict.message = "ffmpeg wrote no data" + nothing;
            return verdict;
        }
        if (facts.progressSeen && !facts.mediaWritten) {
            verdict.exitCode = 1;
            verdict.message = "ffmpeg wrote no video frame and no audio sample (does the cut start at or "
                              "after the end of the source?)" +
                              nothing;
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
