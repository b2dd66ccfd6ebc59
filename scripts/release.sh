#!/usr/bin/env bash
# Makes the release folder from what make release built: the source tarball, the .deb, the Windows
# zip, setup program and MSI; a bill of materials for each built download (NAME.cdx.json,
# scripts/sbom.py); SHA256SUMS over them all, signed (SHA256SUMS.asc, armoured and detached) with
# the OpenPGP key whose fingerprint KEYFOLD_RELEASE_KEY gives, from the release manager's own
# GnuPG (keyring, smartcard or agent: gpg asks for any passphrase itself); where
# KEYFOLD_RELEASE_URL gives the address the downloads are published at, winget's manifests for the
# MSI; and README.txt, which names the signing key's fingerprint and says how to check a download.
# The same downloads give the same lists and bills, byte for byte.
# Usage: release.sh VERSION BUILD_DIR WINDOWS_DIR RELEASE_DIR
set -euo pipefail
version=$1
build_dir=$2
windows_dir=$3
release=$4
scripts=$(cd "$(dirname "$0")" && pwd)
export METAINFO=$scripts/../app/org.keyfold.Keyfold.metainfo.xml
windows=Keyfold-$version-win64
deb=$(cd "$build_dir" && ls keyfold_"$version"_*.deb)
builds=("$build_dir/$deb" "$windows_dir/$windows.zip" "$windows_dir/$windows-setup.exe"
    "$windows_dir/$windows.msi")

rm -rf "$release"
mkdir -p "$release"
"$scripts/source-tarball.sh" "$version" "$release/keyfold-$version.tar.gz"
cp "${builds[@]}" "$release/"

# Each bill dated as its build.
SOURCE_DATE_EPOCH=$(cat "$build_dir/source-date-epoch") \
    "$scripts/sbom.py" deb "$release/$deb" >"$release/$deb.cdx.json"
for download in "$windows.zip" "$windows-setup.exe" "$windows.msi"; do
    plugins=()
    [[ $download != *-setup.exe ]] || plugins=("$windows_dir/nsis/Plugins/amd64-unicode")
    SOURCE_DATE_EPOCH=$(cat "$windows_dir/source-date-epoch") \
        "$scripts/sbom.py" windows "$release/$download" "$windows_dir/zip/$windows" \
        "$windows_dir/shipped.tsv" "${plugins[@]}" >"$release/$download.cdx.json"
done

(cd "$release" && export LC_ALL=C && sha256sum -- * >SHA256SUMS)

# The MSI's entry for winget, from the package itself and Keyfold's metadata (the first ELEMENT in
# it, or the one within the developer's).
metainfo() { sed -n "${2:-}s|.*<$1>\(.*\)</$1>.*|\1|p" "$METAINFO" | head -1; }
if [ -n "${KEYFOLD_RELEASE_URL:-}" ]; then
    mkdir "$release/winget"
    msi=$release/$windows.msi
    property() { msiinfo export "$msi" Property | tr -d '\r' | sed -n "s/^$1\t//p"; }
    header() {
        echo "# yaml-language-server: \$schema=https://aka.ms/winget-manifest.$1.1.12.0.schema.json"
        echo "PackageIdentifier: Keyfold.Keyfold"
        echo "PackageVersion: $version"
    }
    footer() { printf 'ManifestType: %s\nManifestVersion: 1.12.0\n' "$1"; }
    { header version && echo "DefaultLocale: en-US" && footer version; } \
        >"$release/winget/Keyfold.Keyfold.yaml"
    {
        header installer
        cat <<EOF
InstallerType: msi
Scope: machine
UpgradeBehavior: install
Installers:
- Architecture: x64
  InstallerUrl: ${KEYFOLD_RELEASE_URL%/}/$windows.msi
  InstallerSha256: $(sha256sum "$msi" | cut -d' ' -f1 | tr a-f A-F)
  ProductCode: '$(property ProductCode)'
  AppsAndFeaturesEntries:
  - UpgradeCode: '$(property UpgradeCode)'
EOF
        footer installer
    } >"$release/winget/Keyfold.Keyfold.installer.yaml"
    {
        header defaultLocale
        cat <<EOF
PackageLocale: en-US
Publisher: $(metainfo name '/<developer/,/<\/developer>/')
PackageName: Keyfold
License: $(metainfo project_license)
ShortDescription: $(metainfo summary)
EOF
        footer defaultLocale
    } >"$release/winget/Keyfold.Keyfold.locale.en-US.yaml"
fi

# Once the project's key is committed (docs/release-key.asc), no other signs.
signer=
committed=$scripts/../docs/release-key.asc
if [ -n "${KEYFOLD_RELEASE_KEY:-}" ] && [ -f "$committed" ]; then
    gpg --batch --show-keys --with-colons "$committed" |
        awk -F: -v key="$(tr -d ' ' <<<"$KEYFOLD_RELEASE_KEY" | tr a-f A-F)" \
            '$1 == "fpr" && $10 == key { found = 1 } END { exit !found }' ||
        { echo "release: $KEYFOLD_RELEASE_KEY is not the key in docs/release-key.asc" >&2; exit 1; }
fi
if [ -n "${KEYFOLD_RELEASE_KEY:-}" ]; then
    gpg --batch --yes --local-user "$KEYFOLD_RELEASE_KEY" --armor --detach-sign \
        --output "$release/SHA256SUMS.asc" "$release/SHA256SUMS"
    # The key that signed, as GnuPG reads the signature back: the primary key's fingerprint.
    signer=$(gpg --batch --status-fd 1 --verify "$release/SHA256SUMS.asc" "$release/SHA256SUMS" \
        2>/dev/null | awk '$2 == "VALIDSIG" { print $NF }' | sed 's/..../& /g; s/ $//')
    [ -n "$signer" ] || { echo "release: GnuPG does not verify its own signature" >&2; exit 1; }
else
    echo "release: SHA256SUMS is not signed: no key named (KEYFOLD_RELEASE_KEY=FINGERPRINT)" >&2
fi

{
    echo "Keyfold $version"
    echo
    echo "Downloads, with a software bill of materials (CycloneDX) for each built one:"
    grep -v '\.cdx\.json$' "$release/SHA256SUMS" | cut -d' ' -f3- | sed 's/^/  /'
    echo
    if [ -n "$signer" ]; then
        echo "SHA256SUMS lists the SHA-256 of every download; SHA256SUMS.asc is its OpenPGP"
        echo "signature, by the key with the fingerprint"
        echo "  $signer"
        echo "Compare it with the fingerprint the project publishes (docs/verifying.md) before"
        echo "trusting it. Then, with the downloads beside the two files:"
        echo "  gpg --verify SHA256SUMS.asc SHA256SUMS"
        echo "  sha256sum --ignore-missing -c SHA256SUMS"
    else
        echo "SHA256SUMS lists the SHA-256 of every download. It is not signed."
        echo "  sha256sum --ignore-missing -c SHA256SUMS"
    fi
} >"$release/README.txt"
echo "release: $release"
