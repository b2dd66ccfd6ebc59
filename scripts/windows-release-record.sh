#!/usr/bin/env bash
# The record beside a signed release's signatures (packaging/windows/signatures/VERSION/record) of
# what a rebuild must reproduce to give the signed bytes: the date of what was built, the time it
# was signed (whose certificates are checked as of then, so that a rebuild after they expire still
# attaches them), and the versions of the Debian packages that the Windows build used.
# Usage: windows-release-record.sh write SIGNATURES_DIR DATE   (once signed; DATE: seconds)
#        windows-release-record.sh check SIGNATURES_DIR        (which packages differ here)
set -euo pipefail
record=$2/record
# Qt for Windows is built from the source of qt6-base-dev's version.
packages=(qt6-base-dev g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    cmake imagemagick librsvg2-bin nsis wixl zip osslsigncode)
case $1 in
    write)
        {
            echo "date $3"
            echo "signed $(date +%s)"
            dpkg-query -W -f='${Package} ${Version}\n' "${packages[@]}"
        } >"$record"
        ;;
    check)
        [ -f "$record" ] || exit 0
        differing=
        while read -r package version; do
            here=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null) || here=none
            [ "$here" = "$version" ] || differing+="  $package $version (here $here)"$'\n'
        done < <(grep -Ev '^(date|signed) ' "$record")
        [ -z "$differing" ] || printf '%s\n%s' "The signed release was built with other Debian" \
            "packages, which a rebuild needs to give its bytes:" "$differing" >&2
        ;;
    *) echo "usage: $0 write SIGNATURES_DIR DATE | check SIGNATURES_DIR" >&2 && exit 2 ;;
esac
