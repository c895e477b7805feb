# shellcheck shell=bash disable=SC2154
# Steps of the window's acceptance run for keyboard users and real screens; sourced by
# main_window_acceptance.sh, whose variables (work, window, app, title, shots, box_name) and helpers
# (click, at, fail, wait_for_dialog, windows_of_program) they use.
#
# keyboard_steps: on the main run's window, after its batch (two rows listed, clips added from
#   $work/clips, Output $work/out):
#   - the end-of-batch message carried the product title as its caption;
#   - Tab leaves the list for the boxes below it, and Enter on the focused Browse button opens the
#     folder browser, which starts in the Output folder (Enter there keeps that folder);
#   - Shift+Tab from the list reaches the Add picture button, and Enter on it opens the open-file
#     dialog, in the folder of the last file added (a bare file name is found there);
#   - About opens with OK focused: Enter closes it without opening a link;
#   - the splitter holds a start typed past the clip's end (and says so below the times) and then
#     refuses OK for the empty cut with a message, keeping itself open;
#   - F1 opens the guide, which no longer claims that conversions run one at a time.
# large_screen_steps: the program on a 1400 by 1000 screen at scale factors 1 and 2: the window lies
#   wholly on the screen, its panel and preview pane included.

# Waits until only the main window is left; fails with $1 otherwise.
only_main_window_left() {
    for _ in $(seq 50); do
        [ "$(windows_of_program | wc -l)" -eq 1 ] && return 0
        sleep 0.1
    done
    fail "$1"
}

shot_root() { # shot_root NAME: the whole screen, when screenshots are kept
    if [ -n "$shots" ]; then
        import -window root "$shots/$1.png"
    fi
}

keyboard_steps() {
    [ "$box_name" = "$title" ] || fail "the end-of-batch message is captioned '$box_name', not '$title'"

    xdotool windowactivate --sync "$window" 2>/dev/null || true
    sleep 0.3
    # The first row of the list (the file name column, clear of its check box).
    click 60 58
    # Tab: the profile box, the Output box, Browse; Enter presses Browse.
    xdotool key Tab Tab Tab Return
    local browser
    browser="$(wait_for_dialog 10)" || fail "Tab and Enter from the list did not press Browse"
    [ "$(xdotool getwindowname "$browser")" = "Please select output directory:" ] ||
        fail "Enter opened '$(xdotool getwindowname "$browser")' instead of the folder browser"
    sleep 0.5
    sed -i 's/^Output=.*/Output=/' "$work/app/config.ini"
    xdotool key Return # choose the folder the browser shows
    only_main_window_left "the folder browser did not close"
    grep -qx "Output=$work/out" "$work/app/config.ini" ||
        fail "the folder browser did not start in the Output folder: $(grep Output "$work/app/config.ini")"

    # Shift+Tab from the list: More..., Stop convert, Start convert, Split, Remove, Add.
    click 60 58
    xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab Return
    wait_for_dialog 10 >/dev/null || fail "Enter on the focused Add button did not open the open-file dialog"
    sleep 0.5
    xdotool type --delay 10 "first.mp4"
    xdotool key Return
    only_main_window_left "the open-file dialog did not start in the folder of the last file added"
    sleep 2 # the file is probed and listed

    # About: Enter closes it and opens nothing.
    xdotool key alt+h
    sleep 0.3
    xdotool key a
    local about
    about="$(wait_for_dialog 10)" || fail "About did not open"
    [ "$(xdotool getwindowname "$about")" = "About" ] || fail "'$(xdotool getwindowname "$about")' opened, not About"
    sleep 0.3
    shot_root about-ok-focused
    xdotool key Return
    only_main_window_left "Enter did not close About"
    [ ! -e "$work/opened.txt" ] || fail "Enter in About opened a link: $(cat "$work/opened.txt")"

    # The splitter on the first row: a start past the clip's end is held and noted; OK is refused.
    click 60 58
    click 106 19
    local splitter
    splitter="$(wait_for_dialog 10)" || fail "the splitter did not open"
    sleep 1
    local WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$splitter" | grep -E '^(WIDTH|HEIGHT)=')"
    # The Start box: 60..105 by 111..123 dialog units of the splitter's 221 by 154.
    xdotool mousemove --window "$splitter" "$((WIDTH * 82 / 221))" "$((HEIGHT * 117 / 154))" click --repeat 3 1
    xdotool key ctrl+a
    xdotool type --delay 20 "00:09:00"
    xdotool key Tab
    sleep 0.5
    shot_root splitter-start-held-to-the-end
    xdotool key Return # OK, the splitter's default button
    local refusal
    refusal="$(wait_for_named Error 10)" || fail "OK with an empty cut was not refused"
    xdotool windowactivate --sync "$refusal" 2>/dev/null || true
    xdotool key Return
    sleep 0.5
    xdotool getwindowname "$splitter" >/dev/null 2>&1 || fail "the splitter closed on an empty cut"
    xdotool windowactivate --sync "$splitter" 2>/dev/null || true
    xdotool key Escape
    only_main_window_left "the splitter did not close on Escape"

    # F1: the guide, telling how many files convert at once.
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    xdotool key F1
    for _ in $(seq 30); do
        [ -s "$work/opened.txt" ] && break
        sleep 0.1
    done
    grep -q "help/index.html" "$work/opened.txt" || fail "F1 did not open the guide"
    rm -f "$work/opened.txt"
    ! grep -q "one at a time whatever it says" "$work/app/help/index.html" || fail "the guide still says one at a time"
    grep -q "as many at once as the" "$work/app/help/index.html" || fail "the guide does not say how many run at once"
}

# Waits for a window of the program with the title $1 (for $2 seconds); prints its id.
wait_for_named() {
    for _ in $(seq "$(($2 * 10))"); do
        for w in $(windows_of_program); do
            if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

large_screen_steps() {
    local scale
    for scale in 1 2; do
        local display_file="$work/display-large-$scale"
        Xvfb -displayfd 6 -screen 0 1400x1000x24 -nolisten tcp 6>"$display_file" 2>"$work/xvfb-large.log" &
        local xvfb=$!
        pids+=("$xvfb")
        for _ in $(seq 100); do
            [ -s "$display_file" ] && break
            sleep 0.1
        done
        [ -s "$display_file" ] || fail "the large Xvfb did not start"
        local large
        large=":$(head -n 1 "$display_file")"
        DISPLAY="$large" openbox >/dev/null 2>&1 &
        local wm=$!
        pids+=("$wm")
        sleep 0.5
        # Each of these sessions ends killed: the next would first offer the killed one's list back.
        rm -f "$work/app/file-list.json"
        DISPLAY="$large" QT_SCALE_FACTOR="$scale" "$work/app/morvane" "$work/clips/first.mp4" \
            "$work/clips/second.mp4" >"$work/morvane-large-$scale.log" 2>&1 &
        local big=$!
        pids+=("$big")
        local w=""
        for _ in $(seq 300); do
            w="$(DISPLAY="$large" xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)"
            [ -n "$w" ] && break
            sleep 0.1
        done
        [ -n "$w" ] || fail "the window did not appear at scale $scale"
        sleep 3 # the files are listed, the window placed and kept on the screen
        local X=0 Y=0 WIDTH=0 HEIGHT=0
        eval "$(DISPLAY="$large" xdotool getwindowgeometry --shell "$w" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
        echo "scale $scale: the window is ${WIDTH}x${HEIGHT} at $X,$Y on 1400x1000"
        if [ "$X" -lt 0 ] || [ "$Y" -lt 0 ] || [ $((X + WIDTH)) -gt 1400 ] || [ $((Y + HEIGHT)) -gt 1000 ]; then
            fail "at scale $scale the window (${WIDTH}x${HEIGHT} at $X,$Y) runs off the 1400x1000 screen"
        fi
        if [ -n "$shots" ]; then
            DISPLAY="$large" import -window root "$shots/main-window-1400x1000-scale-$scale.png"
        fi
        kill "$big" "$wm" "$xvfb" 2>/dev/null || true
        wait "$big" "$wm" "$xvfb" 2>/dev/null || true
    done
}
