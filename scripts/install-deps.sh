#!/usr/bin/env bash
# Installs the Debian packages that a job needs, whichever are missing; prints nothing when none
# is. Usage: scripts/install-deps.sh JOB   (JOB: run, package, windows, bench, release, verify or
# test)
set -euo pipefail

# Each package once, in the group of what it is for.
build=(cmake make g++ qt6-base-dev)  # the program, with Qt 6 Widgets and QtTest (X11's platform plugin comes with Qt)
display=(qt6-wayland fonts-dejavu-core)  # running it: Qt's Wayland platform plugin, a font
icons=(librsvg2-bin)                 # the icons, rendered from their drawing
deb=(dpkg-dev file git)              # the .deb (file and dpkg-dev: its dependencies; git: its date)
# Qt for Windows, built from Debian's source package (dpkg-dev unpacks it), and Keyfold for Windows:
# its icon, zip, installer and Windows Installer package.
windows=(g++-mingw-w64-x86-64-posix ninja-build qt6-base-dev-tools xz-utils imagemagick zip nsis
    wixl msitools
    osslsigncode openssl ca-certificates libengine-pkcs11-openssl)  # and its signatures, also from tokens
bench=(xvfb libx11-dev libxdamage-dev)  # the start-up benchmark, on a display of its own
# A release's checksums, signed and checked with GnuPG (its agent holds or reaches the key), and
# its bills of materials.
release=(gpg gpg-agent python3)
tests=(
    xauth openbox xdotool xclip x11-utils  # end-to-end tests on a real X server (xvfb, above)
    sway wtype wl-clipboard grim jq        # and under a real Wayland compositor
    libfaketime                            # a clock held still: the time never decides a password
    lintian devscripts desktop-file-utils appstream  # checks of the package, as Debian does them
    clang                                  # the sanitizer and fuzzing build, with clang's runtime (below)
    clang-tidy cppcheck                    # static checks
    unzip p7zip-full disorderfs            # the zip's and the setup program's contents; a second build that lists folders in another order
    wine wine64 icoutils pev               # the Windows program under Wine; its resources and hardening
    softhsm2                               # a software token holding a throwaway signing key
    dbus at-spi2-core python3-pyatspi orca speech-dispatcher  # what a screen reader hears
    python3-jsonschema                     # bills of materials checked against CycloneDX's schema
)

case ${1:-} in
    run) wanted=("${build[@]}" "${display[@]}") ;;
    package) wanted=("${build[@]}" "${icons[@]}" "${deb[@]}") ;;
    windows) wanted=("${build[@]}" "${icons[@]}" "${deb[@]}" "${windows[@]}") ;;
    bench) wanted=("${build[@]}" "${display[@]}" "${bench[@]}") ;;
    release) wanted=("${build[@]}" "${icons[@]}" "${deb[@]}" "${windows[@]}" "${release[@]}") ;;
    verify) wanted=(gpg) ;;
    test)
        wanted=("${build[@]}" "${display[@]}" "${icons[@]}" "${deb[@]}" "${windows[@]}"
            "${bench[@]}" "${release[@]}" "${tests[@]}")
        ;;
    *) echo "usage: $0 run|package|windows|bench|release|verify|test" >&2 && exit 2 ;;
esac

# The sanitizers' runtime is packaged under clang's major version, which each release sets: the
# one that the release's clang depends on (libclang-rt-14-dev on Debian 12, -19- on Debian 13).
clang_runtime() {
    apt-cache depends clang 2>/dev/null |
        sed -n 's/^ *Depends: clang-\([0-9]\+\)$/libclang-rt-\1-dev/p' | head -1
}
needs_runtime() { [ "$1" = test ]; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

runtime=
needs_runtime "$1" && runtime=$(clang_runtime)
missing=()
for package in "${wanted[@]}" $runtime; do
    installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && { [ -n "$runtime" ] || ! needs_runtime "$1"; } && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update -qq
if needs_runtime "$1" && [ -z "$runtime" ]; then
    runtime=$(clang_runtime)
    installed "$runtime" || missing+=("$runtime")
fi
echo "Installing missing packages: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
