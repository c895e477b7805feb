#!/usr/bin/env bash
# The README's recipe for many files on one machine: GNU parallel running morvane-batch on one file per
# job, two jobs at a time, over 20 generated clips; every clip must come out converted and logged.
# Usage: parallel_recipe_test.sh PROGRAM-DIRECTORY
set -euo pipefail

program="${1:?program directory}"
if ! command -v parallel > /dev/null; then
    echo "SKIPPED: GNU parallel is not installed (Debian package \"parallel\"; scripts/setup.sh installs it)"
    exit 77
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/morvane-parallel-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# A program directory of the test's own, so config.ini, trace.flt and input.avs are the test's.
cp -rl "$program" "$work/bin" 2> /dev/null || cp -r "$program" "$work/bin"
rm -f "$work/bin/config.ini" "$work/bin/trace.flt" "$work/bin/input.avs"

mkdir -p "$work/clips" "$work/converted/logs"
for i in $(seq -w 1 20); do
    ffmpeg -v error -nostdin -f lavfi -i "testsrc=size=96x64:rate=10:duration=1" \
        -f lavfi -i "sine=frequency=440:duration=1" -shortest -c:v mpeg4 -c:a pcm_s16le \
        "$work/clips/clip$i.avi"
done

# The recipe, as the README gives it.
cd "$work"
export PATH="$work/bin:$PATH"
ls clips/*.avi | parallel -j 2 --joblog converted/jobs.log \
    'XDG_STATE_HOME=$PWD/state-{%} morvane-batch --json -p 20-mp4-1-h264-aac -o converted {} > converted/logs/{/}.jsonl'

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The job log: a header and one line per file, each with exit value 0 (column 7).
jobs="$(tail -n +2 converted/jobs.log | wc -l)"
[ "$jobs" -eq 20 ] || fail "the job log lists $jobs jobs, not 20"
bad="$(tail -n +2 converted/jobs.log | awk -F'\t' '$7 != 0' | wc -l)"
[ "$bad" -eq 0 ] || fail "$bad jobs did not exit with 0"

for i in $(seq -w 1 20); do
    log="converted/logs/clip$i.avi.jsonl"
    finished="$(grep '"event":"finished"' "$log" || true)"
    case "$finished" in
    *'"status":"Completed"'*) ;;
    *) fail "clip$i.avi: no finished event with status Completed in $log" ;;
    esac
    output="$(printf '%s\n' "$finished" | sed -n 's/.*"output":"\([^"]*\)".*/\1/p')"
    [ "$output" = "$work/converted/clip${i}_h264_aac.mp4" ] || fail "clip$i.avi: output \"$output\""
    duration="$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$output" 2> /dev/null || echo 0)"
    awk -v d="$duration" 'BEGIN { exit !(d > 0.7 && d < 1.3) }' || fail "clip$i.avi: output lasts $duration s"
    tail -n 1 "$log" | grep -q '"event":"end".*"exit":0' || fail "clip$i.avi: the last event is not a clean end"
done

# The two jobs really ran side by side: some job started before the one before it ended.
overlaps="$(tail -n +2 converted/jobs.log | sort -t$'\t' -k3,3n |
    awk -F'\t' 'NR > 1 && $3 < lastEnd { n++ } { end = $3 + $4; if (end > lastEnd) lastEnd = end } END { print n + 0 }')"
[ "$overlaps" -gt 0 ] || fail "no two jobs overlapped"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "20 clips converted by GNU parallel with 2 jobs; every output checked"
