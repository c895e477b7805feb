#!/usr/bin/env bash
# The real program killed in the middle of a batch of five files, then started again, on a virtual
# display: the next start asks once whether to restore the last session's files, Yes brings the five
# rows back with the completed ones still completed, and a clean exit leaves no list behind.
#
# Usage: list_survives_acceptance.sh PROGRAM_DIR
# Ends with 77 (skipped) when Xvfb, xdotool, jq or ffmpeg are missing.
set -euo pipefail

program_dir="$(cd "$1" && pwd)"
for tool in Xvfb xdotool ffmpeg jq; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (Debian packages xvfb, xdotool, ffmpeg, jq)"
        exit 77
    fi
done

work="$(mktemp -d /tmp/morvane-list-acceptance-XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    if [ -f "$work/morvane.log" ]; then
        tail -n 20 "$work/morvane.log"
    fi
    exit 1
}

. "$(dirname "${BASH_SOURCE[0]}")/acceptance_setup.sh"
start_virtual_display
make_program_dir "$program_dir"
export PATH="$work/bin:$PATH"
export MORVANE_TESTING=1
export QT_QPA_PLATFORM=xcb

clips=()
for n in 1 2 3 4 5; do
    ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=25:duration=12" -f lavfi -i "sine=duration=12" \
        -c:v mpeg4 -c:a aac -shortest "$work/clips/clip$n.mp4" || fail "ffmpeg could not make the clips"
    clips+=("$work/clips/clip$n.mp4")
done

list="$work/app/file-list.json"
statuses() { jq -r '[.rows[].status] | join(" ")' "$list" 2>/dev/null || true; }
rows() { jq '.rows | length' "$list" 2>/dev/null || echo 0; }
completed() { jq '[.rows[] | select(.status == "Completed")] | length' "$list" 2>/dev/null || echo 0; }

title="Quillon Video Converter 1.0.1"
main_window() {
    for _ in $(seq 300); do
        local w
        w="$(xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -n 1 || true)"
        if [ -n "$w" ]; then
            echo "$w"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# First session: the five clips given on the command line, then Start convert.
"$work/app/morvane" "${clips[@]}" >"$work/morvane.log" 2>&1 &
app=$!
pids+=($app)
window="$(main_window)" || fail "the window did not appear"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
for _ in $(seq 300); do
    [ "$(rows)" -eq 5 ] && break
    sleep 0.1
done
[ "$(rows)" -eq 5 ] || fail "the five files were not listed in the saved list"
[ "$(jq .open "$list")" = true ] || fail "the list is not marked in use while the window is open"
# Start convert, by its place in the window's template (436 by 262 dialog units below a 25-pixel menu bar).
eval "$(xdotool getwindowgeometry --shell "$window")"
x=$(awk -v w="$WIDTH" 'BEGIN { printf "%d", 147 * w / 436 }')
y=$(awk -v h="$HEIGHT" 'BEGIN { printf "%d", 25 + 19 * (h - 25) / 262 }')
xdotool mousemove --window "$window" "$x" "$y" click 1
xdotool mousemove 1 1

# Killed once a file is done and others are still to do.
killed=""
for _ in $(seq 1200); do
    done_count="$(completed)"
    if [ "$done_count" -ge 1 ] && [ "$done_count" -lt 5 ]; then
        kill -9 "$app"
        killed="$(statuses)"
        break
    fi
    sleep 0.1
done
[ -n "$killed" ] || fail "no file was completed, or all were before the kill: $(statuses)"
wait "$app" 2>/dev/null || true
echo "killed with: $killed"

# Second session: the question, answered Yes with the Enter key.
"$work/app/morvane" >>"$work/morvane.log" 2>&1 &
app=$!
pids+=($app)
question=""
for _ in $(seq 300); do
    question="$(xdotool search --onlyvisible --name '^Warning$' 2>/dev/null | head -n 1 || true)"
    [ -n "$question" ] && break
    sleep 0.1
done
[ -n "$question" ] || fail "the restore question did not appear"
xdotool windowactivate --sync "$question" 2>/dev/null || true
xdotool key Return
window="$(main_window)" || fail "the window did not appear after the question"
sleep 1
[ "$(rows)" -eq 5 ] || fail "the list did not come back with five files: $(rows)"
expected="$(sed 's/Completed/C/g; s/Ready/R/g; s/Fail/R/g; s/Abort/R/g' <<<"$killed")"
restored="$(statuses | sed 's/Completed/C/g; s/Ready/R/g')"
[ "$expected" = "$restored" ] || fail "statuses: before the kill '$killed', restored '$(statuses)'"
checked="$(jq -r '[.rows[] | if .status == "Completed" then (.checked | not) else .checked end] | all' "$list")"
[ "$checked" = true ] || fail "completed rows are not unchecked, or the others not checked"

# A clean exit (File, Exit) with the keep choice off leaves no list.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+f
sleep 0.3
xdotool key e
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
    fail "the program did not end when its window was closed"
fi
[ ! -e "$list" ] || fail "a clean exit left the list behind"
echo "PASSED: killed during a batch of five, the list came back as it was"
