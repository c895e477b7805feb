#!/bin/bash
# Picture quality of an H.264 MP4 conversion beside the reference tool HandBrakeCLI at the same picture size
# and bit rate, as SSIM against the source (goal: not below it).
#
#   bench/batch/quality-vs-handbrake.sh [BUILD-FOLDER]    (default: build; PROFILE=... may be set)
#
# HandBrakeCLI (Debian package handbrake-cli) is installed here, by the benchmark's own set-up, when it is
# missing; nothing else installs it. Not part of the test suite.
set -euo pipefail

build=$(realpath "${1:-build}")
profile=${PROFILE:-20-mp4-1-h264-aac}
batch=$build/bin/morvane-batch
[ -x "$batch" ] || { echo "no $batch: build the program first" >&2; exit 2; }
if ! command -v HandBrakeCLI > /dev/null 2>&1; then
    apt-get install -y --no-install-recommends handbrake-cli > /dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 20 s of moving detail at 960x720 and 29.97 frames per second (the shape and rate of the profile's
# pictures), kept losslessly: a zoom into the Mandelbrot set, a moving test card,
# noise, and a tone.
source=$work/source.mkv
ffmpeg -nostdin -loglevel error -y \
    -f lavfi -i "mandelbrot=size=480x720:rate=30000/1001,trim=duration=20" \
    -f lavfi -i "testsrc2=size=480x720:rate=30000/1001:duration=20,noise=alls=12:allf=t" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" \
    -filter_complex "[0:v][1:v]hstack=inputs=2,format=yuv420p[v]" -map "[v]" -map 2:a \
    -c:v libx264 -qp 0 -preset ultrafast -c:a flac "$source"

"$batch" -p "$profile" -o "$work/ours" "$source" > /dev/null 2>&1 || { echo "the batch failed" >&2; exit 1; }
ours=$(ls "$work"/ours/*.mp4)

field() { ffprobe -v error -select_streams v:0 -show_entries "$1" -of csv=p=0 "$2"; }
width=$(field stream=width "$ours")
height=$(field stream=height "$ours")
# The video's own rate: the file's size less the sound, over its length.
kbps() {
    local bytes seconds audio
    bytes=$(ffprobe -v error -show_entries format=size -of csv=p=0 "$1")
    seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
    audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate -of csv=p=0 "$1")
    awk -v b="$bytes" -v s="$seconds" -v a="${audio:-0}" 'BEGIN { printf "%.0f", (b * 8 / s - a) / 1000 }'
}
rate=$(kbps "$ours")

reference=$work/handbrake.mp4
HandBrakeCLI -i "$source" -o "$reference" -e x264 -b "$rate" -w "$width" -l "$height" --keep-display-aspect \
    --crop 0:0:0:0 -r 29.97 --cfr -E av_aac -B 128 > "$work/handbrake.log" 2>&1 ||
    { tail -5 "$work/handbrake.log" >&2; exit 1; }

ssim() { # the mean SSIM of the file's pictures against the source scaled to the same size
    ffmpeg -nostdin -i "$1" -i "$source" -lavfi \
        "[1:v]scale=$width:$height:flags=bicubic,setsar=1[ref];[0:v]setsar=1[out];[out][ref]ssim" -f null - 2>&1 |
        sed -n 's/.*SSIM.* All:\([0-9.]*\).*/\1/p' | tail -1
}
ssim_ours=$(ssim "$ours")
ssim_theirs=$(ssim "$reference")
echo "profile $profile, ${width}x${height}"
echo "morvane:      $(kbps "$ours") kbit/s video, SSIM $ssim_ours"
echo "HandBrakeCLI: $(kbps "$reference") kbit/s video, SSIM $ssim_theirs ($(HandBrakeCLI --version 2>/dev/null | head -1))"
awk -v a="$ssim_ours" -v b="$ssim_theirs" 'BEGIN {
    printf "difference: %+.4f SSIM (%+.2f dB) (goal: not below)\n", a - b, 10 * log((1 - b) / (1 - a)) / log(10)
}'
