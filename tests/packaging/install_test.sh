#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would: the tree, the desktop
# files through their validators, a conversion through the morvane-batch launcher, and the same
# conversion as an unprivileged user whose program directory is read-only (per-user files in the
# XDG folders, the shipped config.ini as the first settings, the user's own profiles listed last).
# Usage: install_test.sh BUILD-FOLDER
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
chmod 755 "$work"
prefix="$work/prefix"
program="$prefix/lib/morvane"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_file() { [ -e "$1" ] || fail "missing $1"; }

cmake --install "$build" --prefix "$prefix" > "$work/install.log"

# The tree.
for path in bin/morvane-batch lib/morvane/morvane-batch lib/morvane/vec lib/morvane/libmorvane-media.so \
    lib/morvane/tools/libencsession.so lib/morvane/help/index.html lib/morvane/common/producer.conf \
    lib/morvane/translations/morvane_de.qm lib/morvane/translations/morvane_fr.qm \
    share/bash-completion/completions/morvane-batch; do
    expect_file "$prefix/$path"
done
[ "$(readlink "$prefix/bin/morvane-batch")" = "../lib/morvane/morvane-batch" ] || fail "launcher link"
shipped=$(find "$program/profiles" -name '*.pf' | wc -l)
[ "$shipped" -eq "$(find "$(dirname "$0")/../../data/profiles" -name '*.pf' | wc -l)" ] || fail "profiles: $shipped"
[ -d "$program/audiences" ] && [ -n "$(ls "$program/audiences")" ] || fail "no audiences"
for leftover in config.ini trace.flt input.avs; do
    [ ! -e "$program/$leftover" ] || fail "the install carries a $leftover"
done

# The desktop's files (only with the window program).
if [ -e "$program/morvane" ]; then
    expect_file "$prefix/bin/morvane"
    expect_file "$program/libmorvane-player.so"
    desktop="$prefix/share/applications/org.morvane.Morvane.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net --strict "$prefix/share/metainfo/org.morvane.Morvane.metainfo.xml" \
        > "$work/appstream.log" || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
    grep -q '^Exec=morvane %F$' "$desktop" || fail "the entry does not pass files"
    for size in 16 22 24 32 48 64 128 256; do
        png="$prefix/share/icons/hicolor/${size}x${size}/apps/org.morvane.Morvane.png"
        expect_file "$png"
        # PNG width and height: big-endian words at bytes 16 and 20.
        dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
        [ "$dims" = "${size}x${size}" ] || fail "icon $size is $dims"
    done
    expect_file "$prefix/share/icons/hicolor/scalable/apps/org.morvane.Morvane.svg"
fi

# A conversion through the launcher on PATH, from another folder.
ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10:duration=2 -f lavfi -i sine=duration=2 \
    -shortest "$work/clip.avi"
chmod 644 "$work/clip.avi"
profile="MP4 - H.264 + AAC (640x480)"
mkdir "$work/out"
(cd / && PATH="$prefix/bin:$PATH" HOME="$work/roothome" morvane-batch -p "$profile" -o "$work/out" "$work/clip.avi") \
    > "$work/run.log" 2>&1 || { cat "$work/run.log"; fail "the installed morvane-batch failed"; }
converted() { for f in "$1"/clip*.mp4; do [ -s "$f" ] && return 0; done; return 1; }
converted "$work/out" || fail "no output from the installed program"

# The shell completion offers options and profile names (quoted as the shell needs them).
completion="$prefix/share/bash-completion/completions/morvane-batch"
offered=$(PATH="$prefix/bin:$PATH" bash -c 'source "$1"; COMP_WORDS=(morvane-batch -p "MP4 - H.264 + AAC (6"); COMP_CWORD=2
    _morvane_batch; printf "%s\n" "${COMPREPLY[@]}"; COMP_WORDS=(morvane-batch --list); COMP_CWORD=1
    _morvane_batch; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion")
[ "$offered" = 'MP4\ -\ H.264\ +\ AAC\ \(640x480\)
--list-profiles' ] || fail "completion offered: $offered"

# Preset health through the launcher: an FFmpeg (of another version) without libx264 marks the
# H.264 profiles and refuses them before converting anything.
mkdir "$work/fakebin"
cat > "$work/fakebin/ffmpeg" << 'FAKE'
#!/bin/sh
case "$2" in
-version) echo "ffmpeg version without-libx264" ;;
-encoders) /usr/bin/ffmpeg "$@" | grep -v " libx264 " ;;
*) exec /usr/bin/ffmpeg "$@" ;;
esac
FAKE
chmod 755 "$work/fakebin/ffmpeg"
PATH="$work/fakebin:$prefix/bin:$PATH" morvane-batch --list-profiles > "$work/health.log" 2> /dev/null
grep -qxF "$profile	(unavailable: FFmpeg on this system has no encoder libx264 (H.264))" "$work/health.log" ||
    fail "--list-profiles does not mark the profile without its encoder"
! grep -q "MPEG-4 + AAC.*unavailable" "$work/health.log" || fail "a profile with its encoders is marked"
mkdir "$work/refused"
if PATH="$work/fakebin:$prefix/bin:$PATH" morvane-batch -p "$profile" -o "$work/refused" "$work/clip.avi" \
    2> "$work/refused.log"; then
    fail "a profile without its encoder was not refused"
fi
grep -q "cannot be used here: FFmpeg on this system has no encoder libx264" "$work/refused.log" || fail "no reason given"
[ -z "$(ls "$work/refused")" ] || fail "a refused profile wrote something"

# A user who cannot write the program directory.
if id nobody > /dev/null 2>&1; then
    user="$work/user"
    mkdir -p "$user/home" "$user/out" "$user/data/morvane/profiles"
    printf '[Main]\nName=A profile of my own\nFormat=mp4\nExtName=mp4\nMediaType=MP4\n' \
        > "$user/data/morvane/profiles/mine.pf"
    chown -R nobody "$user"
    rm -f "$program/trace.flt"
    printf '[Config]\nOutput=%s\n' "$user/out" > "$program/config.ini"
    as_user() {
        setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all \
            env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$user/home" XDG_CONFIG_HOME="$user/config" \
            XDG_STATE_HOME="$user/state" XDG_DATA_HOME="$user/data" "$@"
    }
    as_user morvane-batch --list-profiles > "$work/list.log" 2>&1 || fail "--list-profiles as a user"
    [ "$(tail -n 1 "$work/list.log")" = "A profile of my own" ] || fail "the user's profile is not listed last"
    as_user morvane-batch -p "$profile" "$work/clip.avi" > "$work/user.log" 2>&1 || {
        cat "$work/user.log"
        fail "morvane-batch as a user"
    }
    converted "$user/out" || fail "the shipped config.ini's Output was not used"
    grep -q "ffmpeg-converter" "$user/state/morvane/trace.flt" 2> /dev/null || fail "no trace in the state folder"
    grep -q "^Output=$user/out" "$user/config/morvane/config.ini" 2> /dev/null || fail "config.ini was not seeded"
    [ ! -e "$program/trace.flt" ] || fail "a trace was written into the program directory"
    [ "$(stat -c %a "$user/state/morvane")" = 700 ] || fail "the state folder is open to others"
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed, validated and converted"
