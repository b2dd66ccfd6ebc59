#!/usr/bin/env bash
# Compares downloaded Windows release files (the zip, the setup program, the MSI) with those of a
# build: says "identical" for each, or which file differs, and for a zip which files in it.
# Usage: scripts/compare-windows-release.sh BUILD_DIR DOWNLOAD...   (status 1 if any differs)
set -euo pipefail
build_dir=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

differs() {
    echo "$*"
    status=1
}

# The files of the two zips that are not the same, each with a line saying how.
compare_zips() {
    rm -rf "$work/download" "$work/built"
    unzip -q "$1" -d "$work/download" && unzip -q "$2" -d "$work/built" ||
        { differs "  (not a zip that can be opened)" && return; }
    diff -rq "$work/download" "$work/built" | sed -e "s|$work/download/|download: |g" \
        -e "s|$work/built/|build: |g" -e 's/^/  /' || true
}

for download in "$@"; do
    name=$(basename "$download")
    built=$build_dir/$name
    if [ ! -f "$built" ]; then
        differs "$name: the build made no file of that name"
    elif cmp -s "$download" "$built"; then
        echo "$name: identical"
    else
        differs "$name differs from the build's"
        [[ $name != *.zip ]] || compare_zips "$download" "$built"
    fi
done
exit "$status"
