#!/bin/bash
# What a whole morvane-batch run costs over the FFmpeg commands alone, as ratios measured in one run.
#
#   bench/batch/batch-vs-ffmpeg.sh [BUILD-FOLDER]   (default: build; RUNS=5, PROFILE=..., PARTS="long short")
#
# Long: one 30 s 720p clip. Short: a batch of 20 one-second clips. A first batch converts the files and its
# trace gives the FFmpeg command vec ran for each; then, RUNS times in alternating order, the whole batch
# (start-up, probing, the converter, checks; one file at a time, -j 1, as the commands run) and those
# FFmpeg commands one after another are timed. The ratios are the medians' (goals: long <= 1.02,
# short <= 1.05). Not part of the test suite.
set -euo pipefail

build=$(realpath "${1:-build}")
runs=${RUNS:-5}
profile=${PROFILE:-20-mp4-1-h264-aac}
batch=$build/bin/morvane-batch
trace=$build/bin/trace.flt
[ -x "$batch" ] || { echo "no $batch: build the program first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/long" "$work/short"

make_clip() { # path seconds size
    ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc2=size=$3:rate=25:duration=$2" \
        -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$2" \
        -c:v mpeg4 -q:v 4 -g 250 -c:a libmp3lame -b:a 128k -shortest "$1"
}
make_clip "$work/long/clip.avi" 30 1280x720
for i in $(seq -w 1 20); do
    make_clip "$work/short/clip$i.avi" 1 320x240
done

now() { date +%s%N; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs one batch of the folder's files; prints its wall time in nanoseconds.
time_batch() {
    rm -rf "$work/out"
    local start
    start=$(now)
    "$batch" -j 1 -p "$profile" -o "$work/out" "$1"/*.avi > /dev/null 2>&1 || { echo "the batch failed" >&2; exit 1; }
    echo $(($(now) - start))
}

# Runs the FFmpeg commands of the file, one after another; prints their wall time in nanoseconds.
time_commands() {
    local start
    start=$(now)
    while IFS= read -r command; do
        eval "$command" > /dev/null 2>&1 < /dev/null || { echo "failed: $command" >&2; exit 1; }
    done < "$1"
    echo $(($(now) - start))
}

measure() { # name folder goal
    time_batch "$2" > /dev/null
    # vec writes into a descriptor it holds; alone, FFmpeg writes a file of the same kind.
    grep -a '^ffmpeg command: ' "$trace" | sed -e 's/^ffmpeg command: //' \
        -e "s|file:/proc/self/fd/[0-9]*|file:$work/alone.out|" > "$work/commands"
    local count
    count=$(wc -l < "$work/commands")
    : > "$work/batch.times"
    : > "$work/ffmpeg.times"
    for run in $(seq 1 "$runs"); do
        if [ $((run % 2)) -eq 1 ]; then
            time_batch "$2" >> "$work/batch.times"
            time_commands "$work/commands" >> "$work/ffmpeg.times"
        else
            time_commands "$work/commands" >> "$work/ffmpeg.times"
            time_batch "$2" >> "$work/batch.times"
        fi
    done
    local ours theirs
    ours=$(median < "$work/batch.times")
    theirs=$(median < "$work/ffmpeg.times")
    awk -v name="$1" -v n="$count" -v a="$ours" -v b="$theirs" -v goal="$3" -v runs="$runs" 'BEGIN {
        printf "%-6s %2d file(s): morvane-batch %.3f s, FFmpeg alone %.3f s, ratio %.3f (goal <= %s), " \
               "%.1f ms more per batch, medians of %d\n", name, n, a / 1e9, b / 1e9, a / b, goal, (a - b) / 1e6, runs
    }'
}

echo "profile $profile, $(nproc) processors"
for part in ${PARTS:-long short}; do
    case $part in
    long) measure long "$work/long" 1.02 ;;
    short) measure short "$work/short" 1.05 ;;
    esac
done
