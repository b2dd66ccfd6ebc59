#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Keyfold need.
# Prints nothing when none is missing.
set -euo pipefail

packages=(
    cmake make g++          # build
    qt6-base-dev            # Qt 6 Widgets and QtTest, with the platform plugins
    fonts-dejavu-core       # a font for the window, also under Xvfb
    xvfb xauth              # a display for machines without one (xvfb-run)
    openbox xdotool xclip x11-utils  # end-to-end tests on a real X server
    sway wtype wl-clipboard grim jq qt6-wayland  # and under a real Wayland compositor
    librsvg2-bin imagemagick  # launcher icons; imagemagick also takes the e2e screenshot
    dpkg-dev file git       # the .deb package (file and git: its dependencies and dates)
    lintian devscripts desktop-file-utils appstream  # checks of the package, as Debian does them
    libx11-dev libxdamage-dev    # the start-up benchmark
    clang                   # the sanitizer and fuzzing build, with clang's runtime (below)
    clang-tidy cppcheck     # static checks
    g++-mingw-w64-x86-64-posix ninja-build qt6-base-dev-tools xz-utils  # Qt and Keyfold for Windows
    nsis zip unzip          # the Windows installer and zip, and their tests
    disorderfs              # a second build that lists folders in another order
    wine wine64 icoutils    # the Windows program under Wine; its resources
    libfaketime             # a clock held still, for the test that the time never decides a password
    dbus at-spi2-core python3-pyatspi orca speech-dispatcher  # what a screen reader hears
)

# The sanitizers' runtime is packaged under clang's major version, which each release sets: the
# one that the release's clang depends on (libclang-rt-14-dev on Debian 12, -19- on Debian 13).
clang_runtime() {
    apt-cache depends clang 2>/dev/null |
        sed -n 's/^ *Depends: clang-\([0-9]\+\)$/libclang-rt-\1-dev/p' | head -1
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

runtime=$(clang_runtime)
missing=()
for package in "${packages[@]}" $runtime; do
    installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && [ -n "$runtime" ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update -qq
if [ -z "$runtime" ]; then
    runtime=$(clang_runtime)
    installed "$runtime" || missing+=("$runtime")
fi
echo "Installing missing packages: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
