#!/usr/bin/env bash
# Fetches the sample media listed in corpus.tsv from the Debian packages that ship them (apt-get
# download, never installed; dpkg-deb -x into the cache) and prints the cache's files folder.
# The cache is made once and reused: ${MORVANE_CORPUS_CACHE:-${XDG_CACHE_HOME:-~/.cache}/morvane-corpus}.
# Exit status: 0 with every file in place, 77 when the packages cannot be fetched (no mirror, no apt),
# 1 when a package no longer holds a listed file.
# Usage: fetch-corpus.sh [MANIFEST]
set -euo pipefail

manifest="${1:-$(dirname "${BASH_SOURCE[0]}")/corpus.tsv}"
cache="${MORVANE_CORPUS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/morvane-corpus}"
files="$cache/files"

# name<TAB>package<TAB>path for every file of the manifest.
entries="$(grep -v '^#' "$manifest" | awk -F'\t' 'NF >= 3 { print $1 "\t" $2 "\t" $3 }')"

missing() {
    local name
    while IFS=$'\t' read -r name _ _; do
        [ -e "$files/$name" ] || echo "$name"
    done <<< "$entries"
}

if [ -z "$(missing)" ]; then
    echo "$files"
    exit 0
fi

if ! command -v apt-get > /dev/null || ! command -v dpkg-deb > /dev/null; then
    echo "corpus not fetched: apt-get and dpkg-deb are needed to fetch Debian's sample media" >&2
    exit 77
fi

mkdir -p "$cache/debs" "$cache/root" "$files"
trap 'rm -rf "$cache/root"' EXIT
packages="$(cut -f2 <<< "$entries" | sort -u)"
for package in $packages; do
    if ! compgen -G "$cache/debs/${package}_*.deb" > /dev/null; then
        if ! (cd "$cache/debs" && apt-get download -qq "$package" > /dev/null 2>&1); then
            echo "corpus not fetched: apt-get download $package failed (no Debian mirror reachable?)" >&2
            exit 77
        fi
    fi
    dpkg-deb -x "$(compgen -G "$cache/debs/${package}_*.deb" | head -n 1)" "$cache/root"
done

status=0
while IFS=$'\t' read -r name package path; do
    if [ -f "$cache/root/$path" ]; then
        cp "$cache/root/$path" "$files/$name"
    else
        echo "corpus: $package no longer ships $path (update corpus.tsv)" >&2
        status=1
    fi
done <<< "$entries"
[ "$status" -eq 0 ] && echo "$files"
exit "$status"
