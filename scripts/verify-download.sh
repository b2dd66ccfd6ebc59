#!/usr/bin/env bash
# Checks downloaded release files. Given SHA256SUMS.asc (with SHA256SUMS), its signature must be
# good and made by the key whose fingerprint KEY gives: the key the user chose to trust, in their
# own GnuPG keyring. Given SHA256SUMS, every other download must be listed there with its
# SHA-256; the first that is not, or whose checksum differs, stops the check, named, before
# anything is built. Then each is compared with what this checkout builds: the source tarball
# (scripts/source-tarball.sh), the .deb (make package) and the Windows zip, setup program and MSI
# (make windows, scripts/compare-windows-release.sh); each is said to be identical, or which
# differs. Status 1 if anything does not hold.
# Usage: verify-download.sh DOWNLOAD...   (KEY=FINGERPRINT in the environment with SHA256SUMS.asc)
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project.keyfold VERSION \([0-9.]*\) .*/\1/p' "$project/CMakeLists.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "verify-download: $*" >&2
    exit 1
}

sums= signature= downloads=()
for file in "$@"; do
    case ${file##*/} in
        SHA256SUMS) sums=$file ;;
        SHA256SUMS.asc) signature=$file ;;
        # what the release says of itself, and the winget manifests' folder, are no downloads
        README.txt | winget) ;;
        *) downloads+=("$file") ;;
    esac
done

if [ -n "$signature" ]; then
    [ -n "$sums" ] || fail "SHA256SUMS.asc is the signature of SHA256SUMS: give both"
    [ -n "${KEY:-}" ] || fail "KEY=FINGERPRINT: the fingerprint of the key you trust to sign releases"
    gpg --batch --status-fd 1 --verify "$signature" "$sums" >"$work/status" 2>"$work/said" || true
    wanted=$(tr -d ' ' <<<"$KEY" | tr a-f A-F)
    # VALIDSIG: the signing key's fingerprint, and last the primary key's.
    awk -v key="$wanted" '$2 == "VALIDSIG" && ($3 == key || $NF == key) { found = 1 }
                          END { exit !found }' "$work/status" ||
        fail "SHA256SUMS is not signed by the key $KEY: $(cat "$work/said")"
    echo "SHA256SUMS: signed by $KEY"
fi
if [ -n "$sums" ]; then
    for download in "${downloads[@]}"; do
        name=${download##*/}
        listed=$(awk -v name="$name" '$2 == name || $2 == "*" name { print $1 }' "$sums")
        [ -n "$listed" ] || fail "$name is not listed in SHA256SUMS"
        [ "$(sha256sum "$download" | cut -d' ' -f1)" = "$listed" ] ||
            fail "$name does not match its checksum in SHA256SUMS: it is not the file released"
        echo "$name: its checksum matches SHA256SUMS"
    done
fi

status=0
windows=()
for download in "${downloads[@]}"; do
    name=${download##*/}
    case $name in
        *.cdx.json) continue ;; # made from the downloads, whose checksums say the rest
        keyfold-*.tar.gz)
            "$project/scripts/source-tarball.sh" "$version" "$work/$name"
            built=$work/$name
            ;;
        keyfold_*.deb)
            make -C "$project" package >&2
            built=$project/build/$name
            ;;
        Keyfold-*-win64*) windows+=("$download") && continue ;;
        *) fail "$name is none of Keyfold's downloads" ;;
    esac
    if cmp -s "$download" "$built"; then
        echo "$name: identical"
    else
        echo "$name differs from the build's"
        status=1
    fi
done
if [ ${#windows[@]} -gt 0 ]; then
    make -C "$project" windows >&2
    "$project/scripts/compare-windows-release.sh" "$project/build-windows" "${windows[@]}" ||
        status=1
fi
exit "$status"
