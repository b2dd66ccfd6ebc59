#!/usr/bin/env bash
# Prints the folder of a Qt for 64-bit Windows, built once per machine from Debian's own qt6-base
# source package, of the version installed for Linux, whose moc, rcc and uic serve the cross build.
# The build is kept in the user's cache folder, keyed by Qt version and build settings; a folder
# counts as finished only once its last step has written the stamp.
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$project/cmake/mingw-w64-x86_64.cmake
# Keyfold's own hardening flags, which Qt's build takes in after its project() call.
hardening=$project/cmake/hardening.cmake

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
# Core, Gui, Widgets and Test, the windows platform and the Windows styles; nothing else.
settings=(
    -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_pkg_config=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
    # Direct2D stays on, as Qt's DirectWrite font code is compiled only with it (Qt 6.8.2 does not
    # build without it); its platform plugin, which needs Direct2D 1.1, is not built.
    -DFEATURE_direct2d1_1=OFF
    # Debian's source package leaves out the Wintab headers that tablet support needs.
    -DFEATURE_tabletevent=OFF
    -DFEATURE_freetype=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_jpeg=OFF
    # Qt's own copies of the libraries it bundles, never MinGW builds that happen to be installed,
    # so that the DLLs and what the zip must ship do not depend on the machine.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF -DFEATURE_system_textmarkdownreader=OFF
    # The same bytes from every build of the same inputs: no link time in the DLLs' headers and
    # export tables, and the mime database compressed by gzip -n, not CMake's archiver, which
    # writes the time into the gzip header. (The build folder is taken out of file names below.)
    -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--no-insert-timestamp
    -DCMAKE_MODULE_LINKER_FLAGS=-Wl,--no-insert-timestamp
    -DQT_AVOID_CMAKE_ARCHIVING_API=ON
)
# Nobody edits this Qt, so it is a unity build where its build system has one (Qt 6.7 and later),
# which takes a third less time. Batches of Qt's default size: with 128 sources, Widgets does not
# compile, and 64 saves only a minute. Precompiled headers are on by default in every version.
if dpkg --compare-versions "$version" ge 6.7; then
    settings+=(-DQT_UNITY_BUILD=ON -DQT_UNITY_BUILD_BATCH_SIZE=32)
fi
# The toolchain's packages, whose versions decide the toolkit's bytes as much as the settings do.
toolchain_packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    cmake ninja-build)
# Comments and blank lines of the toolchain and hardening files do not count.
key=$(printf '%s\n' "$version" "${settings[@]}" &&
    dpkg-query -W -f='${Package} ${Version}\n' "${toolchain_packages[@]}" &&
    grep -Ehv '^\s*(#|$)' "$toolchain" "$hardening")
key=$(sha256sum <<<"$key" | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/keyfold
prefix=$cache/qt-${version%%+*}-win64-$key
stamp=$prefix/.keyfold-complete

say() { echo "windows-toolkit: $*" >&2; }
work=$cache/work-$key
source=$work/qt6-base-${version%-*}
notices=$prefix/share/keyfold-notices

# The source, from deb-src entries made from this machine's Debian sources, kept in a private apt
# state so that the system's apt configuration stays as it is. apt checks it against the
# archive's signed index.
fetch_source() {
    [ ! -f "$source/.keyfold-unpacked" ] || return 0
    mkdir -p "$work"
    # Outside the user's home, which apt's unprivileged downloader may not enter.
    apt=$(mktemp -d)
    trap 'rm -rf "$apt"' EXIT
    chmod 755 "$apt"
    mkdir -p "$apt/sources" "$apt/state/lists/partial" "$apt/cache/archives/partial" "$apt/fetch"
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -e "$list" ] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$apt/sources/${list##*/}"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt/sources/main.list"
    fi
    if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
        chown _apt "$apt/state/lists/partial" "$apt/fetch"
    fi
    apt_options=(-qq -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/sources"
        -o "Dir::State=$apt/state" -o "Dir::Cache=$apt/cache" -o Debug::NoLocking=1)
    apt-get "${apt_options[@]}" update >&2
    (cd "$apt/fetch" && apt-get "${apt_options[@]}" source "qt6-base=$version" >&2)
    rm -rf "$source"
    mv "$apt/fetch/qt6-base-${version%-*}" "$source"
    touch "$source/.keyfold-unpacked"
}

# Qt's own records of the third-party code it carries (qt_attribution.json: name, version,
# licence, package URL), in their folders as in the source, for the Windows downloads' software
# bills of materials. A Qt for Windows built before they were kept gets them from its source.
keep_attributions() {
    mkdir -p "$notices/attributions"
    (cd "$source" && find src -name qt_attribution.json -print0 | tar --null -T - -cf -) |
        tar -xf - -C "$notices/attributions"
}

if [ -f "$stamp" ]; then
    if [ ! -d "$notices/attributions" ]; then
        say "keeping Qt's third-party records with $prefix"
        fetch_source
        keep_attributions
        rm -rf "$work"
    fi
    echo "$prefix"
    exit 0
fi

say "building Qt $version for 64-bit Windows into $prefix"
say "once per machine: 15 to 30 minutes on 2 cores (about 80 MB when done)"
rm -rf "$prefix"
fetch_source

cmake -S "$source" -B "$work/build" --log-level=WARNING -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PROJECT_INCLUDE="$hardening" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$(qtpaths6 --query QT_HOST_LIBS)/cmake" \
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$work/=" -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$work/=" \
    "${settings[@]}" >&2
cmake --build "$work/build" --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -40 "$work/build.log" >&2; say "failed; the whole log is $work/build.log"; exit 1; }
cmake --install "$work/build" >/dev/null

# What the notices of the Windows program are made from: the source package, Debian's copyright
# file for it, and for each DLL the source files that went into it (every file that its objects,
# those of the static libraries it takes in too, were compiled from or read, as the compiler
# recorded it: a unity object's record names each source file it took in).
mkdir -p "$notices"
echo "qt6-base $version" >"$notices/source"
cp "$source/debian/copyright" "$notices/copyright"
for dll in $(ninja -C "$work/build" -t targets all | sed -n 's/^\([^:]*\.dll\): .*/\1/p'); do
    ninja -C "$work/build" -t inputs "$dll" | grep '\.obj$' |
        (cd "$work/build" && xargs ninja -t deps) | sed -n "s|^ *$source/||p" | sort -u \
        >"$notices/${dll##*/}.sources"
done
keep_attributions
touch "$stamp"
rm -rf "$work"
say "done in $((SECONDS / 60)) min $((SECONDS % 60)) s: $prefix"
echo "$prefix"
