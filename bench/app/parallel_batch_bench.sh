#!/usr/bin/env bash
# Several conversions at once: morvane-batch over 8 generated clips of 5 seconds, first with -j 1, then
# with -j 2, in one run so both meet the same machine. Prints each time and the ratio -j 2 / -j 1, first
# for a profile whose encoder runs one thread (the goal: at most 1 / 1.6 = 0.625 on two cores), then for
# a multi-threaded H.264 profile (reported, no goal). Exits 1 when the single-threaded ratio misses the
# goal.
# Usage: parallel_batch_bench.sh PROGRAM-DIRECTORY [ROUNDS]   (e.g. build/bin; ROUNDS defaults to 1)
set -euo pipefail

program="${1:?program directory}"
rounds="${2:-1}"
work="$(mktemp -d "${TMPDIR:-/tmp}/morvane-parallel-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# A program directory of the benchmark's own, so config.ini, trace.flt and input.avs are its own.
cp -rl "$program" "$work/bin" 2> /dev/null || cp -r "$program" "$work/bin"
rm -f "$work/bin/config.ini" "$work/bin/trace.flt" "$work/bin/input.avs"
export XDG_STATE_HOME="$work/state"

mkdir -p "$work/clips"
for i in 1 2 3 4 5 6 7 8; do
    ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=640x480:rate=25:duration=5" \
        -f lavfi -i "sine=frequency=$((200 + 50 * i)):duration=5" -shortest -c:v mpeg4 -q:v 4 \
        -c:a pcm_s16le "$work/clips/clip$i.avi"
done

seconds_of() { # PROFILE JOBS: seconds for the whole batch, every file converted
    local out="$work/out-$2"
    rm -rf "$out"
    local start end
    start="$(date +%s.%N)"
    "$work/bin/morvane-batch" -j "$2" -p "$1" -o "$out" "$work"/clips/*.avi > "$work/log" 2>&1 || {
        echo "morvane-batch -j $2 -p $1 failed:" >&2
        cat "$work/log" >&2
        exit 2
    }
    end="$(date +%s.%N)"
    local made
    made="$(find "$out" -type f -size +0 | wc -l)"
    [ "$made" -eq 8 ] || {
        echo "-j $2 -p $1 made $made outputs, not 8" >&2
        exit 2
    }
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

measure() { # PROFILE LABEL: best of ROUNDS for each count, alternating so both see the same load
    local one=999999 two=999999 t
    for _ in $(seq "$rounds"); do
        t="$(seconds_of "$1" 1)"
        one="$(awk -v a="$one" -v b="$t" 'BEGIN { print (b < a ? b : a) }')"
        t="$(seconds_of "$1" 2)"
        two="$(awk -v a="$two" -v b="$t" 'BEGIN { print (b < a ? b : a) }')"
    done
    local ratio
    ratio="$(awk -v a="$one" -v b="$two" 'BEGIN { printf "%.3f", b / a }')"
    printf '%-34s -j 1: %6.2f s   -j 2: %6.2f s   ratio: %s\n' "$2" "$one" "$two" "$ratio" >&2
    echo "$ratio"
}

echo "8 clips of 5 s (640x480, 25 fps), $(nproc) processors, load $(cut -d' ' -f1 /proc/loadavg)" >&2
single="$(measure 60-flash-1-flv-320x240 "one encoder thread (FLV)")"
measure 20-mp4-1-h264-aac "multi-threaded H.264 (x264)" > /dev/null
if awk -v r="$single" 'BEGIN { exit !(r <= 0.625) }'; then
    echo "single-threaded ratio $single <= 0.625: met" >&2
else
    echo "single-threaded ratio $single > 0.625: missed" >&2
    exit 1
fi
