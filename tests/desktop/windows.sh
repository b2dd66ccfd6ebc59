#!/usr/bin/env bash
# The Windows program under Wine, on an X server of its own (x11.sh): each QtTest suite on the
# windows platform, and the portable folder end to end, unzipped elsewhere and started without
# DISPLAY or WAYLAND_DISPLAY in its Windows environment, with keys from xdotool and the clipboard
# and the process seen by xclip and by peer.exe, another Windows process of the same user.
# Usage: windows.sh suite BUILD_DIR TEST_EXE   (ctest's emulator for the Windows suites)
#        windows.sh CASE BUILD_DIR   (CASE: program, window, copy, close, installer,
#                                     reproducible)
# KEYFOLD_VERSION: the version built, set by ctest.
set -euo pipefail
case_name=$1
build_dir=$(cd "$2" && pwd)
suite=${3:-}
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/x11.sh"

folder=Keyfold-$version-win64 # in the zip and once unzipped
export WINEPREFIX=$build_dir/wine WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
shuffled= # the second build's sources, as disorderfs shows them
end_test() {
    wineserver -k 2>/dev/null || true
    [ -z "$shuffled" ] || fusermount -u "$shuffled"
    cleanup
}
trap end_test EXIT

# One Wine prefix for the build tree, made by the first test that needs it.
prepare_wine() {
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] && exit 0
        wineboot --init >"$work/wineboot.log" 2>&1 && wineserver -w ||
            fail "no Wine prefix: $(cat "$work/wineboot.log")"
    ) 9>"$build_dir/wine.lock"
}

# The suite with the Qt and MinGW libraries on Wine's search path; QtTest writes to a file, as
# Wine does not pass a console program's output on to a pipe.
case_suite() {
    local dirs path=
    IFS=: read -ra dirs <<<"$KEYFOLD_WINDOWS_LIBRARY_DIRS"
    for dir in "${dirs[@]}"; do path+="$(winepath -w "$dir");"; done
    local status=0
    WINEPATH=$path wine "$suite" -o "$(winepath -w "$work/result.txt"),txt" || status=$?
    cat "$work/result.txt" 2>/dev/null || fail "the suite wrote no results (status $status)"
    return "$status"
}

# The portable folder as Windows and its tools see it, without running it: exactly the program,
# its libraries and plugins and the licence; a GUI program with ASLR (high entropy), DEP and a
# linked stack protector; its icon sizes (wrestool, icotool), version information and manifest.
case_program() {
    local files
    files=$(unzip -Z1 "$build_dir/$folder.zip" | tr '\n' ' ')
    [ "$files" = "$folder/Keyfold.exe $folder/LICENSE.txt $folder/Qt6Core.dll $folder/Qt6Gui.dll \
$folder/Qt6Widgets.dll $folder/THIRD-PARTY-NOTICES.txt $folder/libgcc_s_seh-1.dll \
$folder/libssp-0.dll $folder/libstdc++-6.dll $folder/libwinpthread-1.dll \
$folder/platforms/qwindows.dll $folder/styles/$KEYFOLD_WINDOWS_STYLE " ] ||
        fail "the zip holds: $files"
    # Every library named beside the source package it was built from ("PACKAGE VERSION: FILE...",
    # before the records), whose record follows.
    unzip -p "$build_dir/$folder.zip" "$folder/THIRD-PARTY-NOTICES.txt" | tr -d '\r' \
        >"$work/notices"
    sed '/^========/q' "$work/notices" | sed -n 's/^\([^ ]* [^ ]*\): \(.*\)$/\1: \2 /p' \
        >"$work/sources"
    local library source
    for library in $(unzip -Z1 "$build_dir/$folder.zip" '*.dll'); do
        library=${library#"$folder/"}
        source=$(grep -F " $library " "$work/sources") ||
            fail "THIRD-PARTY-NOTICES.txt does not name the source of $library"
        grep -qxF "======== ${source%%:*}: copyright and licences ========" "$work/notices" ||
            fail "THIRD-PARTY-NOTICES.txt lacks the record of ${source%%:*}"
    done
    unzip -q "$build_dir/$folder.zip" -d "$work"
    local exe=$work/$folder/Keyfold.exe headers
    headers=$(x86_64-w64-mingw32-objdump -p "$exe")
    grep -Eq '^Subsystem\s+00000002\s+\(Windows GUI\)' <<<"$headers" || fail "not a GUI program"
    for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
        grep -Eq "^\s+$flag\$" <<<"$headers" || fail "DllCharacteristics lack $flag"
    done
    grep -Eq '\s__stack_chk_fail$' <<<"$headers" || fail "no stack protector linked"
    wrestool -x -t 14 "$exe" >"$work/icon.ico" || fail "no icon"
    local sizes
    sizes=$(icotool -l "$work/icon.ico" | sed -E 's/.*--width=([0-9]+).*/\1/' | sort -n)
    [ "$(echo $sizes)" = "16 24 32 48 64 256" ] || fail "icon sizes: $(icotool -l "$work/icon.ico")"
    # The version strings, UTF-16 text in which each name is followed by its value.
    wrestool -x --raw -t 16 "$exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -s '\0' '\n' \
        >"$work/version"
    for pair in 'ProductName=Keyfold' "FileVersion=$version" "ProductVersion=$version" \
        'LegalCopyright=Copyright © 2026 The Keyfold developers' \
        'FileDescription=Keyfold password generator'; do
        [ "$(grep -a -A1 "${pair%%=*}\$" "$work/version" | tail -1)" = "${pair#*=}" ] ||
            fail "version information lacks $pair: $(cat -v "$work/version")"
    done
    wrestool -x --raw -t 24 "$exe" >"$work/manifest.xml" || fail "no manifest"
    for part in '>PerMonitorV2<' 'level="asInvoker"' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
        grep -qF "$part" "$work/manifest.xml" || fail "the manifest lacks $part"
    done
}

# start_keyfold PROGRAM: PROGRAM, a Windows path, started from the work folder (in place of
# x11.sh's, which starts the Linux build).
start_keyfold() {
    # Wine quotes the arguments that hold spaces, as cmd wants the program's path.
    (cd "$work" && wine cmd /c set 'DISPLAY=&&' set 'WAYLAND_DISPLAY=&&' "$1") \
        2>"$work/keyfold.log" &
    keyfold_pid=$!
    pids+=("$keyfold_pid")
    poll 30 window_active ||
        fail "no window titled '$title' that takes the focus: $(cat "$work/keyfold.log")"
}

# peer ARGUMENT...: what peer.exe reports, one line each.
peer() {
    wine "$build_dir/tests/peer.exe" "$@" "$(winepath -w "$work/peer.txt")" ||
        fail "peer.exe $1 failed"
    tr -d '\r' <"$work/peer.txt"
}

case_window() {
    local caption
    caption=$(xdotool getwindowname "$window")
    [ "$caption" = "$title" ] || fail "title '$caption'"
    xdotool key Escape
    ! poll 1 window_gone || fail "Escape closed the window"
    local access expected
    access=$(peer access "$title")
    expected='query granted
read refused 5
write refused 5
thread refused 5
context refused 5
apc refused 5
every thread apc refused'
    [ "$access" = "$expected" ] || fail "another process of the user was given: $access"
    import -window root "$build_dir/keyfold-windows.png"
}

# marked_for_windows TEXT: peer.exe reads TEXT from the clipboard, with the four marks holding 0.
marked_for_windows() {
    local formats
    formats=$(peer clipboard)
    grep -qx "CF_UNICODETEXT $1" <<<"$formats" || fail "peer.exe read other text: $formats"
    for format in ExcludeClipboardContentFromMonitorProcessing CanIncludeInClipboardHistory \
        CanUploadToCloudClipboard 'Clipboard Viewer Ignore'; do
        grep -qx "$format 00000000" <<<"$formats" || fail "no $format holding 0: $formats"
    done
}

clipboard_is() { [ "$(clipboard)" = "$1" ]; }

# The Clipboard button's copy, then Ctrl+C in the password box (after an edit that tells the two
# copies apart).
case_copy() {
    type_length 99
    xdotool key --clearmodifiers alt+g
    copy_until '^[A-Za-z0-9]{10}$'
    local password
    password=$(clipboard)
    marked_for_windows "$password"
    xdotool key Tab Tab End
    xdotool type --delay 20 x
    xdotool key --clearmodifiers ctrl+a ctrl+c
    poll 15 clipboard_is "${password}x" || fail "Ctrl+C in the password box gave '$(clipboard)'"
    marked_for_windows "${password}x"
}

case_close() { close_keyfold 30; }

# What the prefix holds, to compare before installing and after uninstalling: files and folders
# outside the temporary ones, and registry keys.
prefix_contents() {
    wineserver -w # the registry is on disk once the server has ended
    (cd "$WINEPREFIX/drive_c" && find . -path ./users/\*/Temp -prune -o -print | sort)
    sed -n 's/^\(\[.*\]\).*/\1/p' "$WINEPREFIX"/{system,user}.reg | sort
}

# The installed files, with their sizes and dates, and the uninstall entry, read while programs run.
installation() {
    find "$WINEPREFIX/drive_c/Keyfold" -printf '%P %s %T@\n' | sort
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyfold' | tr -d '\r'
}

# Entries named Keyfold among the installed apps, for the machine and for the user.
uninstall_entries() {
    wineserver -w
    cat "$WINEPREFIX"/{system,user}.reg | grep -c '^"DisplayName"="Keyfold"$' || true
}

# The setup program in a fresh prefix: a silent install puts the program, its shortcut and its
# uninstall entry in place; the installed program runs and ends; installing again leaves one
# installation and one entry; while the program runs from there, neither installing again nor
# uninstalling changes anything; once it has ended, a silent uninstall leaves the prefix as it was
# before.
case_installer() {
    export WINEPREFIX=$work/prefix
    prepare_wine
    wine cmd /c exit # Wine's own first-start changes, before the prefix is taken as it was
    prefix_contents >"$work/before"
    local setup=$build_dir/$folder-setup.exe installed="$WINEPREFIX/drive_c/Program Files/Keyfold"
    wine "$setup" /S || fail "the setup program ended with status $?"
    [ -f "$installed/Keyfold.exe" ] || fail "no Program Files\\Keyfold\\Keyfold.exe"
    local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
    [ -f "$menu/Keyfold/Keyfold.lnk" ] || fail "no Start-menu shortcut"
    [ "$(uninstall_entries)" = 1 ] || fail "$(uninstall_entries) uninstall entries"
    local entry
    local key='Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Keyfold'
    entry=$(sed -n "/^\\[$key\\]/,/^\$/p" "$WINEPREFIX/system.reg")
    for value in '"DisplayName"="Keyfold"' "\"DisplayVersion\"=\"$version\"" \
        '"Publisher"="The Keyfold developers"' '"EstimatedSize"=dword:' '"DisplayIcon"=' \
        '"UninstallString"='; do
        grep -qF "$value" <<<"$entry" || fail "the uninstall entry lacks $value: $entry"
    done
    start_keyfold 'C:\Program Files\Keyfold\Keyfold.exe'
    close_keyfold 30

    # Elsewhere, so that an installation left in place would show.
    wine "$setup" /S '/D=C:\Keyfold' || fail "installing again ended with status $?"
    [ "$(uninstall_entries)" = 1 ] ||
        fail "$(uninstall_entries) uninstall entries after installing again"
    [ "$(find "$WINEPREFIX/drive_c" -name Keyfold.exe | wc -l)" = 1 ] ||
        fail "installed twice: $(find "$WINEPREFIX/drive_c" -name Keyfold.exe)"

    # While it runs, installing again and uninstalling both fail and change nothing. (The
    # uninstaller runs in place, with _?=, to end with its status: started plainly it hands over to
    # a copy of itself and ends at once.)
    start_keyfold 'C:\Keyfold\Keyfold.exe'
    installation >"$work/running"
    local status=0
    wine "$setup" /S || status=$?
    [ "$status" = 2 ] || fail "installing over a running Keyfold ended with status $status"
    status=0
    wine 'C:\Keyfold\Uninstall.exe' /S '_?=C:\Keyfold' || status=$?
    [ "$status" = 2 ] || fail "uninstalling a running Keyfold ended with status $status"
    installation | diff "$work/running" - >&2 || fail "changed while Keyfold ran (above)"
    close_keyfold 30
    wine 'C:\Keyfold\Uninstall.exe' /S || fail "the uninstaller ended with status $?"
    prefix_contents >"$work/after" # once the uninstaller's copy of itself has ended
    diff "$work/before" "$work/after" >&2 || fail "the uninstaller left the prefix changed (above)"
}

# The same sources at another path, as a release tarball has them, built into another tree later,
# under the other umask, on a file system that lists each folder in a random order: the same bytes.
case_reproducible() {
    copy_sources "$work/sources"
    mkdir "$work/copy"
    if disorderfs --shuffle-dirents=yes --quiet "$work/sources" "$work/copy" >"$work/fuse.log" 2>&1
    then
        shuffled=$work/copy
    elif [ ! -w /dev/fuse ]; then
        echo "no FUSE for this user (/dev/fuse): the second build's folders are not shuffled"
        rmdir "$work/copy" && mv "$work/sources" "$work/copy"
    else
        fail "disorderfs could not mount the sources: $(cat "$work/fuse.log")"
    fi
    (umask "$(other_umask)" &&
        make -C "$work/copy" windows WINDOWS_TARGETS="windows_zip windows_setup") \
        >"$work/rebuild.log" 2>&1 ||
        { cat "$work/rebuild.log"; fail "the second build failed"; }
    for file in Keyfold.exe "$folder.zip" "$folder-setup.exe"; do
        cmp "$build_dir/$file" "$work/copy/build-windows/$file" ||
            fail "a second build gives another $file"
    done
}

case $case_name in
    window | copy | close)
        start_desktop
        prepare_wine
        unzip -q "$build_dir/$folder.zip" -d "$work"
        start_keyfold "$folder\\Keyfold.exe"
        ;;
    suite) start_desktop && prepare_wine ;;
    installer) start_desktop ;;
esac
"case_$case_name"
echo "PASS ($case_name)"
