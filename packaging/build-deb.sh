#!/usr/bin/env bash
# Builds the Debian package (morvane_<version>_amd64.deb and its -dbgsym package) from this source tree,
# installing the build dependencies first, and checks it with lintian.
# Usage: packaging/build-deb.sh [OUTPUT-FOLDER]     (default: dist/ in the source tree)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)"

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
need=(dpkg-dev debhelper lintian fakeroot)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
# The Build-Depends of debian/control (apt reads them from the source tree).
(cd "$root" && DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get build-dep -y --no-install-recommends ./)

# A copy of the tracked sources, so the package never picks up a developer's build folders.
# A fixed place, so that ccache (when installed) recognises the compiles of an earlier package build.
stage="${TMPDIR:-/tmp}/morvane-deb-stage"
rm -rf "$stage" && mkdir -p "$stage"
trap 'rm -rf "$stage"' EXIT
if command -v ccache >/dev/null; then
    # debhelper gives the build a HOME of its own: name the cache outright.
    CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
    export CCACHE_DIR CCACHE_BASEDIR="$stage"
fi
git -C "$root" ls-files -z --cached --others --exclude-standard | (cd "$root" && xargs -0 cp --parents -t "$stage" 2>/dev/null || true)
mkdir -p "$stage/morvane"
(cd "$stage" && find . -mindepth 1 -maxdepth 1 ! -name morvane -exec mv {} morvane/ \;)
(cd "$stage/morvane" && dpkg-buildpackage -b -us -uc)
cp "$stage"/*.deb "$stage"/*.buildinfo "$stage"/*.changes "$out"/
deb="$(ls "$out"/morvane_*_amd64.deb | sort | tail -n 1)"
echo "Built $deb"
lintian --fail-on error --info "$deb"
