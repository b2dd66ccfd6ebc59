#!/usr/bin/env bash
# Gives a Windows program file or installer package that Keyfold ships its Authenticode
# signature, kept apart from it as a detached signature NAME.sig in the signatures folder of this
# version, so that a rebuild of the same sources gives the very bytes of the signed release.
# - With a signing key given (below), a file whose signature is not there yet is signed, and its
#   signature kept there; the zip, the installer and the MSI hold the same files, signed once.
#   Only make sign-windows passes a key on.
# - A signature that is there is attached, and must match the file as built and be made by the
#   certificate that the folder's record names: if either differs from what was signed, or another
#   certificate signed it, this fails, naming the file, and nothing unsigned takes its place.
# - With neither, the file stays unsigned, unless the folder holds other files' signatures.
# Usage: authenticode.sh FILE NAME SIGNATURES_DIR   (NAME: the file's path in what is shipped)
# The key, from the environment only, so that it never enters the build tree or its logs:
#   KEYFOLD_SIGN_PKCS12=FILE            a PKCS#12 file holding the key and its certificates, or
#   KEYFOLD_SIGN_PKCS11_MODULE=MODULE   a PKCS#11 token's module, with
#   KEYFOLD_SIGN_PKCS11_KEY=URI         the key on the token (pkcs11:token=...;object=...) and
#   KEYFOLD_SIGN_CERTS=FILE             its certificate and the chain to the root, in PEM;
#   KEYFOLD_SIGN_PASSWORD_FILE=FILE     the PKCS#12 file's password, or the token's PIN;
#   KEYFOLD_SIGN_TIMESTAMP=URL          an RFC 3161 time-stamping server (optional);
#   KEYFOLD_SIGN_URL=URL                the project's address, shown with the signature (optional).
set -euo pipefail
file=$1
name=$2
signatures=$3
signature=$signatures/$name.sig
record=$signatures/record
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "authenticode: $*" >&2
    exit 1
}

signing_options() {
    if [ -n "${KEYFOLD_SIGN_PKCS12:-}" ]; then
        key=(-pkcs12 "$KEYFOLD_SIGN_PKCS12")
    elif [ -n "${KEYFOLD_SIGN_PKCS11_MODULE:-}" ]; then
        key=(-pkcs11module "$KEYFOLD_SIGN_PKCS11_MODULE" -key "${KEYFOLD_SIGN_PKCS11_KEY:?}"
            -certs "${KEYFOLD_SIGN_CERTS:?}")
    else
        return 1
    fi
    [ -z "${KEYFOLD_SIGN_PASSWORD_FILE:-}" ] || key+=(-readpass "$KEYFOLD_SIGN_PASSWORD_FILE")
    [ -z "${KEYFOLD_SIGN_TIMESTAMP:-}" ] || key+=(-ts "$KEYFOLD_SIGN_TIMESTAMP")
    [ -z "${KEYFOLD_SIGN_URL:-}" ] || key+=(-i "$KEYFOLD_SIGN_URL")
}

signing=
if signing_options; then
    signing=yes
    mkdir -p "$signatures" "$(dirname "$signature")"
    # The zip's, the installer's and the MSI's copies of a file are signed at once: the first signs.
    exec 9<"$signatures"
    flock 9
    if [ ! -f "$signature" ]; then
        osslsigncode sign "${key[@]}" -h sha256 -n Keyfold -in "$file" -out "$work/signed" \
            >"$work/log" 2>&1 || fail "could not sign $name: $(cat "$work/log")"
        # In PEM, which osslsigncode 2.5 (Debian 12) and 2.9 (Debian 13) both read back.
        osslsigncode extract-signature -pem -in "$work/signed" -out "$work/signature" \
            >"$work/log" 2>&1 ||
            fail "could not keep the signature of $name: $(cat "$work/log")"
        mv "$work/signature" "$signature"
    fi
fi

# Every certificate the signature carries, its time stamp's too (in a signed token of its own
# among the signer's unsigned attributes), in PEM.
certificates_of() {
    openssl pkcs7 -in "$1" -print_certs 2>/dev/null || return 1
    local token
    # each time-stamp token as its offset and length (header and contents) in the signature
    openssl asn1parse -in "$1" 2>/dev/null |
        awk '/:1\.3\.6\.1\.4\.1\.311\.3\.3\.1$|:id-smime-aa-timeStampToken$/ { found = 1; next }
             found && /cons: SEQUENCE/ { offset = $1; sub(/:.*/, "", offset)
                                         match($0, /hl= *[0-9]+/); hl = substr($0, RSTART + 3)
                                         match($0, / l= *[0-9]+/); l = substr($0, RSTART + 3)
                                         print offset, hl + l; found = 0 }' |
        while read -r offset length; do
            openssl asn1parse -in "$1" -offset "$offset" -length "$length" -noout \
                -out "$work/token.der" >/dev/null &&
                openssl pkcs7 -inform DER -in "$work/token.der" -print_certs 2>/dev/null
        done
}

# The release's signer, which its record names once it is signed (make sign-windows writes the
# record last): any certificate can sign the same bytes.
signed_by_release_signer() {
    local pinned signer
    if [ ! -f "$record" ]; then
        [ -n "$signing" ] || fail "$signatures has signatures but no record naming their signer"
        return 0
    fi
    pinned=$(sed -n 's/^signer //p' "$record")
    [ -n "$pinned" ] || fail "the record $record names no signer"
    signer=$("$(dirname "$0")/windows-release-record.sh" signer "$signature")
    [ "$signer" = "$pinned" ] || fail "$name is signed by another certificate (SHA-256" \
        "${signer:-not found}) than the release's ($pinned): $signature is not the release's"
}

if [ -f "$signature" ]; then
    certificates_of "$signature" >"$work/certs.pem" ||
        fail "$name does not match its signature $signature: it is no signature"
    # Attached without osslsigncode's own check, which from version 2.8 on fetches the
    # certificates' revocation lists from the network: given no authority it cannot check the
    # chain and stops before that, having written the file. The check follows, offline.
    osslsigncode attach-signature -sigin "$signature" -CAfile /dev/null -TSA-CAfile /dev/null \
        -in "$file" -out "$work/attached" >"$work/log" 2>&1 || true
    [ -f "$work/attached" ] ||
        fail "could not attach the signature of $name: $(cat "$work/log")"
    # The signature is checked whole, its certificates and their chain too, as of the time it was
    # made (which the signing recorded: certificates expire), but not for trust, which is
    # Windows' to decide: its own certificates, beside the system's, let it reach a root. No
    # revocation list is fetched (osslsigncode 2.5 fetches none).
    signed_at=$(sed -n 's/^signed \([0-9]*\)$/\1/p' "$record" 2>/dev/null || true)
    cat /etc/ssl/certs/ca-certificates.crt "$work/certs.pem" >"$work/roots.pem" 2>/dev/null || true
    offline=()
    { osslsigncode verify 2>&1 || true; } | grep -q -- -ignore-crl && offline=(-ignore-crl)
    osslsigncode verify "${offline[@]}" -time "${signed_at:-$(date +%s)}" \
        -CAfile "$work/roots.pem" -TSA-CAfile "$work/roots.pem" -in "$work/attached" \
        >"$work/log" 2>&1 ||
        fail "$name does not match its signature $signature: the file built is not the one" \
            "signed, or the signature was altered; nothing is shipped unsigned in its place." \
            "$(grep -E 'MISMATCH|error|rror:|failed' "$work/log" | grep -v 'PE checksum')"
    signed_by_release_signer
    cp "$work/attached" "$file"
elif [ -n "$(ls -A "$signatures" 2>/dev/null)" ]; then
    fail "$name has no signature in $signatures, which holds this version's signatures:" \
        "it would be shipped unsigned among signed files"
fi
