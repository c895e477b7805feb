#!/bin/sh
# Installs what the preview benchmark compares against: the command-line player of the same playback
# library (Debian package mpv). Not a dependency of the program.
set -eu
if ! command -v mpv >/dev/null 2>&1; then
    apt-get install -y --no-install-recommends mpv
fi
