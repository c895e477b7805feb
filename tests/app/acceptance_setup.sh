# Sourced by the window's acceptance scripts. Needs from the sourcing script: $work (its temporary
# folder), the pids array its cleanup kills, and fail().

# A virtual display of its own (the server picks a free number) with a window manager when there is one.
start_virtual_display() {
    Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$work/display")"
    if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        pids+=($!)
        sleep 0.5
    fi
}

# A program directory of the test's own in $work/app (the build's files, its own config.ini writing
# into $work/out, no trace or list of earlier runs), folders $work/clips and $work/bin, and the
# desktop's opener in $work/bin recording what it was asked to open instead of starting a file manager.
make_program_dir() {
    local from="$1"
    mkdir -p "$work/app" "$work/out" "$work/clips" "$work/bin"
    for entry in "$from"/*; do
        ln -s "$entry" "$work/app/$(basename "$entry")"
    done
    rm -f "$work/app/config.ini" "$work/app/trace.flt" "$work/app/input.avs" "$work/app/file-list.json"*
    rm -f "$work/app/morvane"
    cp "$from/morvane" "$work/app/morvane" # the program directory is where the executable lies
    printf '[Config]\nOutput=%s\n' "$work/out" >"$work/app/config.ini"
    printf '#!/bin/sh\necho "$@" >>"%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
    chmod +x "$work/bin/xdg-open"
}
