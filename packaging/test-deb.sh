#!/usr/bin/env bash
# Installs a built package with apt as a user would and uses it: the commands on PATH, the desktop
# entry, icons and AppStream data in place, a generated clip converted by the installed morvane-batch
# (as an unprivileged user, from a folder without the source tree) and the window started offscreen.
# The package is removed again at the end. Not part of ./test: it changes the system's /usr.
# Usage: packaging/test-deb.sh [morvane_VERSION_amd64.deb]   (default: the newest in dist/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="${1:-$(ls "$root"/dist/morvane_*_amd64.deb 2>/dev/null | sort | tail -n 1)}"
[ -f "$deb" ] || { echo "No package: run packaging/build-deb.sh first"; exit 2; }
deb="$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
[ "$(id -u)" -eq 0 ] || { echo "Run as root (it installs the package)"; exit 2; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work="$(mktemp -d)"
chmod 755 "$work"
cleanup() {
    DEBIAN_FRONTEND=noninteractive apt-get purge -y morvane >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; echo "FAIL: apt-get install"; exit 1; }

for path in /usr/bin/morvane /usr/bin/morvane-batch /usr/lib/morvane/vec /usr/lib/morvane/tools/libencsession.so \
    /usr/lib/morvane/help/index.html /usr/share/applications/org.morvane.Morvane.desktop \
    /usr/share/metainfo/org.morvane.Morvane.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/org.morvane.Morvane.svg \
    /usr/share/icons/hicolor/48x48/apps/org.morvane.Morvane.png; do
    [ -e "$path" ] || fail "missing $path"
done
command -v desktop-file-validate >/dev/null &&
    { desktop-file-validate /usr/share/applications/org.morvane.Morvane.desktop || fail "desktop entry"; }
[ -z "$(find /usr/lib/morvane -maxdepth 1 -name config.ini -o -maxdepth 1 -name trace.flt)" ] ||
    fail "the package carries per-user files"

# A conversion as an unprivileged user with a home of its own, from an unrelated folder.
id morvane-deb-test >/dev/null 2>&1 || useradd --create-home --home-dir "$work/home" morvane-deb-test
ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10:duration=2 -f lavfi -i sine=duration=2 -shortest "$work/clip.avi"
mkdir "$work/out"
chown -R morvane-deb-test "$work/out" "$work/clip.avi"
if ! (cd / && runuser -u morvane-deb-test -- env HOME="$work/home" morvane-batch \
        -p "MP4 - H.264 + AAC (640x480)" -o "$work/out" "$work/clip.avi") >"$work/run.log" 2>&1; then
    cat "$work/run.log"
    fail "the installed morvane-batch did not convert"
fi
out="$(ls "$work"/out/*.mp4 2>/dev/null | head -n 1)"
[ -n "$out" ] && [ -s "$out" ] || fail "no output"
[ -n "$out" ] && ffprobe -v error -show_entries format=duration -of csv=p=0 "$out" | awk '{exit !($1 > 1.8)}' ||
    fail "output too short"

# It speaks the user's language: German catalogue installed and found.
for language in de fr; do
    [ -s "/usr/lib/morvane/translations/morvane_$language.qm" ] || fail "no $language catalogue"
done
german="$(LANGUAGE=de morvane-batch --no-such-option 2>&1 || true)"
grep -q '^Aufruf: morvane-batch' <<<"$german" || fail "morvane-batch does not speak German with LANGUAGE=de"

# The window starts (offscreen) and stays up until it is ended.
runuser -u morvane-deb-test -- env HOME="$work/home" QT_QPA_PLATFORM=offscreen timeout 5 morvane \
    >"$work/window.log" 2>&1 && status=0 || status=$?
[ "$status" -eq 124 ] || { cat "$work/window.log"; fail "the window ended by itself (status $status)"; }

userdel morvane-deb-test 2>/dev/null || true
if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "The package installs and converts."
