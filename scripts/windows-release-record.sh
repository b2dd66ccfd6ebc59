#!/usr/bin/env bash
# The record beside a signed release's signatures (packaging/windows/signatures/VERSION/record) of
# what a rebuild must reproduce to give the signed bytes: the date of what was built, the time it
# was signed (whose certificates are checked as of then, so that a rebuild after they expire still
# attaches them), the SHA-256 fingerprint of the certificate that signed every file (no other
# signer's signature is attached), and the versions of the Debian packages that the Windows build
# used.
# Usage: windows-release-record.sh write SIGNATURES_DIR DATE   (once signed; DATE: seconds)
#        windows-release-record.sh check SIGNATURES_DIR        (which packages differ here)
#        windows-release-record.sh signer SIGNATURE            (its signer's fingerprint)
set -euo pipefail
record=$2/record
# Qt for Windows is built from the source of qt6-base-dev's version.
packages=(qt6-base-dev g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    cmake imagemagick librsvg2-bin nsis wixl zip osslsigncode)
# The SHA-256 fingerprint of the certificate that made a detached signature (PEM): of the
# certificates it carries, the one whose serial its signer names (openssl prints a small serial in
# decimal, a large one in hex); nothing unless exactly one does.
signer_of() {
    local serial work fingerprints=()
    serial=$(openssl pkcs7 -in "$1" -print -noout 2>/dev/null |
        awk '/signer_info:/ { found = 1 } found && $1 == "serial:" { print $2; exit }')
    case $serial in
        0x*) serial=${serial#0x} ;;
        [0-9]*) serial=$(printf '%X' "$serial") ;;
        *) return 0 ;;
    esac
    work=$(mktemp -d)
    openssl pkcs7 -in "$1" -print_certs 2>/dev/null |
        awk -v dir="$work" '/BEGIN CERTIFICATE/ { n++ } n { print > (dir "/" n ".pem") }'
    for certificate in "$work"/*.pem; do
        [ -f "$certificate" ] &&
            [ "$(openssl x509 -in "$certificate" -noout -serial | sed 's/^serial=0*//')" = \
                "$(sed 's/^0*//' <<<"$serial")" ] &&
            fingerprints+=("$(openssl x509 -in "$certificate" -noout -fingerprint -sha256 |
                sed 's/^.*=//')")
    done
    rm -rf "$work"
    [ ${#fingerprints[@]} -ne 1 ] || echo "${fingerprints[0]}"
}

case $1 in
    write)
        signer=
        while IFS= read -r -d '' signature; do
            this=$(signer_of "$signature")
            [ -n "$this" ] && [ "${signer:=$this}" = "$this" ] || {
                echo "${signature#"$2"/} is signed by another certificate than the rest" >&2
                exit 1
            }
        done < <(find "$2" -name '*.sig' -print0 | sort -z)
        [ -n "$signer" ] || { echo "no signatures in $2" >&2 && exit 1; }
        {
            echo "date $3"
            echo "signed $(date +%s)"
            echo "signer $signer"
            dpkg-query -W -f='${Package} ${Version}\n' "${packages[@]}"
        } >"$record"
        ;;
    signer) signer_of "$2" ;;
    check)
        [ -f "$record" ] || exit 0
        differing=
        while read -r package version; do
            here=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null) || here=none
            [ "$here" = "$version" ] || differing+="  $package $version (here $here)"$'\n'
        done < <(grep -Ev '^(date|signed|signer) ' "$record")
        [ -z "$differing" ] || printf '%s\n%s' "The signed release was built with other Debian" \
            "packages, which a rebuild needs to give its bytes:" "$differing" >&2
        ;;
    *) echo "usage: $0 write SIGNATURES_DIR DATE | check SIGNATURES_DIR | signer SIGNATURE" >&2 &&
        exit 2 ;;
esac
