#!/usr/bin/env bash
# Drives the program's window as a user does, on a virtual display: adds two clips through the
# open-file dialog, gives the second one a title in the parameter panel, converts both and checks the
# completion message, the output files and the title in the second one. Then, with "Shutdown PC when
# finished." ticked, stops a batch of two more clips (Stop convert, Yes) and checks that both rows end as
# Abort with nothing unfinished kept, no message and no power-off request; lets the same rows convert to
# their end, cancels the shutdown countdown and checks that nothing asked for a power-off.
#
# Usage: main_window_acceptance.sh PROGRAM_DIR [SCREENSHOT_DIR]
#   PROGRAM_DIR     the build's program directory (build/bin)
#   SCREENSHOT_DIR  when given, screenshots of the window idle, converting and done are kept there
#                   (longer clips then, so that the conversion can be seen)
# Ends with 77 (skipped) when Xvfb, xdotool or ffmpeg are missing.
set -euo pipefail

program_dir="$(cd "$1" && pwd)"
shots="${2:-}"

for tool in Xvfb xdotool ffmpeg ffprobe; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (Debian packages xvfb, xdotool, ffmpeg)"
        exit 77
    fi
done
if [ -n "$shots" ] && ! command -v import >/dev/null; then
    echo "Screenshots need import (Debian package imagemagick)"
    exit 1
fi

work="$(mktemp -d /tmp/morvane-acceptance-XXXXXX)"
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
    if [ -f "$work/app/trace.flt" ]; then
        echo "--- trace.flt"
        tail -n 20 "$work/app/trace.flt"
    fi
    exit 1
}

. "$(dirname "${BASH_SOURCE[0]}")/acceptance_setup.sh"
start_virtual_display
make_program_dir "$program_dir"
# The power-off request, recorded and refused (the program refuses it under MORVANE_TESTING before
# it gets this far; this records it should that ever change).
cat >"$work/bin/systemctl" <<EOF
#!/bin/sh
echo "\$@" >>"$work/systemctl.txt"
exit 1
EOF
chmod +x "$work/bin/systemctl"
# While "$work/slow" exists, conversions read their source at its own pace, so that a stop comes
# while one runs.
rm -f "$work/app/vec"
cat >"$work/app/vec" <<EOF
#!/usr/bin/env bash
if [ -e "$work/slow" ] && [ "\${2:-}" != "-info" ]; then
    mode="\$1"
    shift
    exec "$program_dir/vec" "\$mode" -re "\$@"
fi
exec "$program_dir/vec" "\$@"
EOF
chmod +x "$work/app/vec"
export PATH="$work/bin:$PATH"

seconds=2
size=320x240
if [ -n "$shots" ]; then
    seconds=40
    size=640x480
fi
for name in first second third fourth; do
    length=$seconds
    case $name in third | fourth) length=10 ;; esac
    ffmpeg -v error -f lavfi -i "testsrc2=size=$size:rate=25:duration=$length" \
        -f lavfi -i "sine=frequency=440:duration=$length" -c:v mpeg4 -c:a aac -shortest \
        "$work/clips/$name.mp4" || fail "ffmpeg could not make the clips"
done

export MORVANE_TESTING=1 # no shutdown, whatever happens
export QT_QPA_PLATFORM=xcb # on the virtual display, whatever the test run asks of other tests
"$work/app/morvane" >"$work/morvane.log" 2>&1 &
app=$!
pids+=($app)

title="Quillon Video Converter 1.0.1"
window=""
for _ in $(seq 300); do
    window="$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "the window did not appear"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5

# Positions of controls from their place in the window's template (436 by 262 dialog units below a
# menu bar): the window's size gives the scale.
eval "$(xdotool getwindowgeometry --shell "$window")"
menu=25
sx=$(awk -v w="$WIDTH" 'BEGIN { print w / 436 }')
sy=$(awk -v h="$HEIGHT" -v m="$menu" 'BEGIN { print (h - m) / 262 }')
at() { # at X Y: dialog units to window pixels
    awk -v x="$1" -v y="$2" -v sx="$sx" -v sy="$sy" -v m="$menu" 'BEGIN { printf "%d %d", x * sx, m + y * sy }'
}
click() { # click X Y in dialog units
    # shellcheck disable=SC2046
    xdotool mousemove --window "$window" $(at "$1" "$2") click 1
    # The pointer leaves the window again, so that no tooltip opens a window of its own.
    xdotool mousemove 1 1
    sleep 0.3
}
shot() {
    if [ -n "$shots" ]; then
        import -window "$window" "$shots/main-window-$1.png"
    fi
}

windows_of_program() {
    xdotool search --onlyvisible --pid "$app" 2>/dev/null || true
}
# Waits for a window of the program other than the main one (a dialog: not a tooltip or a menu);
# prints its id.
wait_for_dialog() {
    local limit=$1
    for _ in $(seq "$((limit * 10))"); do
        for w in $(windows_of_program); do
            local WIDTH=0 HEIGHT=0
            eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
            if [ "$w" != "$window" ] && [ "$WIDTH" -gt 150 ] && [ "$HEIGHT" -gt 60 ]; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

shot idle

# Add: the File menu's "Add...", then the file names typed into the open-file dialog.
xdotool key alt+f
sleep 0.3
xdotool key a
dialog="$(wait_for_dialog 10)" || fail "the open-file dialog did not open"
sleep 0.5
xdotool type --delay 10 "\"$work/clips/first.mp4\" \"$work/clips/second.mp4\""
xdotool key Return
for _ in $(seq 100); do
    [ "$(windows_of_program | wc -l)" -eq 1 ] && break
    sleep 0.1
done
sleep 2 # both files are probed and listed; the second one is selected

# The second row is selected: its Title in the panel (top right: the "General" heading, then Title).
click 395 17
xdotool type --delay 20 "Acceptance run"
xdotool key Return
sleep 0.3
# The output folder is not to be opened at the end: uncheck that choice.
click 146 239

# Start convert.
click 147 19
if [ -n "$shots" ]; then
    sleep 4
    shot converting
fi

limit=$((seconds * 10 + 60))
box="$(wait_for_dialog "$limit")" || fail "no message at the end of the batch"
box_name="$(xdotool getwindowname "$box" 2>/dev/null || true)"
[ "$box_name" != "Error" ] || fail "the batch ended with an error message"
sleep 0.5
if [ -n "$shots" ]; then
    import -window root "$work/with-message.png"
fi
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
sleep 1
shot done

output_of() { # the one output file made from a clip
    local files=("$work/out/$1"*.avi)
    [ "${#files[@]}" -eq 1 ] && [ -s "${files[0]}" ] && echo "${files[0]}"
}
for name in first second; do
    out="$(output_of "$name")" || fail "no output for $name: $(ls "$work/out")"
    duration="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out")"
    awk -v d="$duration" -v s="$seconds" 'BEGIN { exit !(d > s - 1 && d < s + 1) }' ||
        fail "$name: the output lasts $duration seconds"
    ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 "$out" | grep -q . ||
        fail "$name: the output has no video"
done
tag="$(ffprobe -v error -show_entries format_tags=title -of csv=p=0 "$(output_of second)")"
[ "$tag" = "Acceptance run" ] || fail "the title set in the panel did not reach the output: '$tag'"
tag="$(ffprobe -v error -show_entries format_tags=title -of csv=p=0 "$(output_of first)")"
[ "$tag" != "Acceptance run" ] || fail "the first row took the second row's title"
[ ! -e "$work/opened.txt" ] || fail "the output folder was opened though the choice was off"

# Keyboard users and real screens (main_window_keyboard_steps.sh).
# shellcheck source=main_window_keyboard_steps.sh
source "$(dirname "${BASH_SOURCE[0]}")/main_window_keyboard_steps.sh"
keyboard_steps

# Waits until the window's title is its own again: the batch has ended.
wait_for_batch_end() {
    for _ in $(seq "$(($1 * 10))"); do
        [ "$(xdotool getwindowname "$window" 2>/dev/null || true)" = "$title" ] && return 0
        sleep 0.1
    done
    return 1
}
trace="$work/app/trace.flt"
leftovers() { # outputs or work files made from the third and fourth clips
    find "$work/out" -name 'third*' -o -name 'fourth*' -o -name '*.vec-part-*'
}

# Two more clips, with the shutdown choice ticked.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+f
sleep 0.3
xdotool key a
wait_for_dialog 10 >/dev/null || fail "the open-file dialog did not open again"
sleep 0.5
xdotool type --delay 10 "\"$work/clips/third.mp4\" \"$work/clips/fourth.mp4\""
xdotool key Return
for _ in $(seq 100); do
    [ "$(windows_of_program | wc -l)" -eq 1 ] && break
    sleep 0.1
done
sleep 2
click 14 239

# Start, then Stop convert and Yes while the third clip converts.
touch "$work/slow"
click 147 19
for _ in $(seq 100); do
    grep -q "third.mp4" "$trace" 2>/dev/null && break
    sleep 0.1
done
sleep 2
click 190 19
question="$(wait_for_dialog 10)" || fail "Stop convert asked nothing"
[ "$(xdotool getwindowname "$question" 2>/dev/null || true)" = "Warning" ] || fail "the stop question is not there"
xdotool windowactivate --sync "$question" 2>/dev/null || true
xdotool key Return
wait_for_batch_end 30 || fail "the stopped batch did not end"
if box="$(wait_for_dialog 2)"; then
    fail "a stopped batch showed \"$(xdotool getwindowname "$box")\""
fi
grep -q '"third.mp4": Abort' "$trace" || fail "the stopped row is not Abort"
grep -q '"fourth.mp4": Abort' "$trace" || fail "the row after the stopped one is not Abort"
[ -z "$(leftovers)" ] || fail "a stopped batch left files: $(leftovers)"
if grep -q "Asking the system to power off" "$trace"; then
    fail "a stopped batch asked for a power-off"
fi
[ ! -e "$work/systemctl.txt" ] || fail "a stopped batch called systemctl: $(cat "$work/systemctl.txt")"

# Start again: the stopped rows are still checked and convert to their end; the countdown comes and
# Cancel keeps the computer on.
rm -f "$work/slow"
click 147 19
countdown="$(wait_for_dialog 60)" || fail "no countdown at the end of the batch"
[ "$(xdotool getwindowname "$countdown" 2>/dev/null || true)" = "Shut down" ] ||
    fail "the batch ended with \"$(xdotool getwindowname "$countdown")\" instead of the countdown"
xdotool windowactivate --sync "$countdown" 2>/dev/null || true
xdotool key Escape
box="$(wait_for_dialog 10)" || fail "no completion message after the countdown"
[ "$(xdotool getwindowname "$box" 2>/dev/null || true)" != "Error" ] || fail "the second batch ended with an error"
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
sleep 1
grep -q "the countdown was cancelled" "$trace" || fail "Cancel did not keep the computer on"
if grep -q "Asking the system to power off" "$trace"; then
    fail "a power-off was asked for after Cancel"
fi
[ ! -e "$work/systemctl.txt" ] || fail "systemctl was called: $(cat "$work/systemctl.txt")"
for name in third fourth; do
    output_of "$name" >/dev/null || fail "no output for $name after the second Start"
done

# Close the window through File, Exit: the program ends.
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
wait "$app" || fail "the program ended with an error"
large_screen_steps
echo "PASSED: two clips added, one edited in the panel, both converted; a stopped batch kept nothing and" \
    "asked for no power-off; a finished one counted down and Cancel kept the computer on"
