#!/usr/bin/env bash
# Installs the Debian packages Morvane needs (only those missing), then configures and builds it.
# Usage: scripts/setup.sh [build-folder] [extra cmake options...]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true

packages=(
    g++ cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev libgl-dev qt6-l10n-tools
    libavformat-dev libavcodec-dev libavutil-dev
    libmpv-dev
    ffmpeg
    clang-format
    desktop-file-utils appstream
    nlohmann-json3-dev
    parallel
    # The window's acceptance tests: a virtual display, a window manager, a driver for clicks and keys,
    # and a reader of the kept file list.
    xvfb openbox xdotool jq
    # A private message bus for the desktop-notice test; German and French locales for the tests that
    # run the programs in those languages; the size check of functions and files.
    dbus-daemon locales-all universal-ctags
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$(nproc)"
