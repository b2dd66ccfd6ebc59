#!/usr/bin/env bash
# The Windows program under Wine, on an X server of its own (x11.sh): each QtTest suite on the
# windows platform, and the portable folder end to end, unzipped elsewhere and started without
# DISPLAY or WAYLAND_DISPLAY in its Windows environment, with keys from xdotool and the clipboard
# and the process seen by xclip and by peer.exe, another Windows process of the same user.
# Usage: windows.sh suite BUILD_DIR TEST_EXE   (ctest's emulator for the Windows suites)
#        windows.sh CASE BUILD_DIR   (CASE: program, window, copy, close, accessibility,
#                                     installer, release)
# KEYFOLD_VERSION: the version built, set by ctest.
set -euo pipefail
case_name=$1
build_dir=$(cd "$2" && pwd)
project=$(cd "$(dirname "$0")/../.." && pwd)
suite=${3:-}
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/x11.sh"

folder=Keyfold-$version-win64 # in the zip and once unzipped
# No menu entries or file associations from what is installed, which Wine would make in the
# user's own desktop.
export WINEPREFIX=$build_dir/wine WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
shuffled= # the second build's sources, as disorderfs shows them
end_test() {
    wineserver -k 2>/dev/null || true
    [ -z "${GNUPGHOME:-}" ] || gpgconf --kill gpg-agent
    [ -z "$shuffled" ] || fusermount -u "$shuffled"
    cleanup
}
trap end_test EXIT

# One Wine prefix for the build tree, made by the first test that needs it. Wine now and then
# fails to make a new prefix (kernel32.dll not found), so a failed one is made again, once.
prepare_wine() {
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] && exit 0
        local attempt status
        for attempt in 1 2; do
            status=0
            wineboot --init >"$work/wineboot-$attempt.log" 2>&1 && wineserver -w || status=$?
            [ "$status" -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ] || exit 0
            wineserver -k 2>/dev/null || true
            rm -rf "$WINEPREFIX"
        done
        fail "no Wine prefix (status $status): $(cat "$work"/wineboot-*.log)"
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
    local exe=$work/$folder/Keyfold.exe headers pe security
    headers=$(x86_64-w64-mingw32-objdump -p "$exe")
    grep -Eq '^Subsystem\s+00000002\s+\(Windows GUI\)' <<<"$headers" || fail "not a GUI program"
    # The program and the Qt libraries and plugins, all built here with the same hardening (MinGW's
    # runtime libraries are Debian's): ASLR with high entropy and DEP, as the headers say and as
    # pesec reads them, and the stack protector linked into each.
    for pe in "$exe" "$work/$folder"/Qt6*.dll "$work/$folder"/*/*.dll; do
        headers=$(x86_64-w64-mingw32-objdump -p "$pe")
        for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
            grep -Eq "^\s+$flag\$" <<<"$headers" || fail "${pe##*/}: DllCharacteristics lack $flag"
        done
        grep -Eq '\s__stack_chk_fail$' <<<"$headers" || fail "${pe##*/}: no stack protector linked"
        security=$(pesec "$pe")
        grep -Eq '^ASLR: +yes$' <<<"$security" || fail "${pe##*/}: no ASLR: $security"
        grep -Eq '^DEP/NX: +yes$' <<<"$security" || fail "${pe##*/}: no DEP: $security"
    done
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
process owner rights 00101001
thread owner rights 00100840
every thread apc refused
every thread owner rights 00100840'
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

# uia ARGUMENT...: what uia.exe, a UI Automation client in a process of its own, reads; a step of
# it that hangs fails the test with the step's name.
uia() {
    local status=0
    WINEDEBUG=-all timeout 120 wine "$build_dir/tests/uia.exe" "$@" \
        "$(winepath -w "$work/uia.txt")" || status=$?
    tr -d '\r' <"$work/uia.txt" 2>/dev/null || true
    [ "$status" -eq 0 ] || fail "uia.exe $1 ended with status $status: $(cat "$work/uia.txt")"
}

# The controls of controls.tsv, as uia.exe writes them: the window's name is its caption.
expected_controls() {
    grep -v '^#' "$(dirname "$0")/controls.tsv" | sed "1s/\$/$title/"
}

# Qt has announced TEXT once, as Wine logs it.
announced() { [ "$(grep -c "UiaRaiseNotificationEvent.*L\"$1\"" "$work/keyfold.log")" = 1 ]; }

# What Narrator or NVDA reads, through UI Automation: every control's kind and name at start, and
# after a click on Generate where UI Automation says it is; the password in no name. Qt's
# announcements reach UiaRaiseNotificationEvent, which Wine 10 implements only as a stub that logs
# its text (its fixme channel, on for Keyfold here): the length made, never the password. Wine 8
# registers no UI Automation client: there the window alone is read, through the functions
# beneath one.
# Wine hands an element from Keyfold to a client in a section whose handle the client duplicates
# out of Keyfold's process (ObjectFromLresult), which Keyfold's access list does not let the
# user's other processes do; the test lets it, as Wine lets the owner rewrite that list
# (docs/security.md). Until then, every client gets E_FAIL.
case_accessibility() {
    [ "$(peer handoff "$title")" = "handoff granted" ] || fail "peer.exe could not let handles out"
    if [ "$(wine --version | sed -n 's/^wine-\([0-9]*\)\..*/\1/p')" -lt 10 ]; then
        [ "$(uia window)" = "$(expected_controls | head -1)" ] ||
            fail "UI Automation reads the window as: $(cat "$work/uia.txt")"
        echo "$(wine --version) has no UI Automation client to create: the window alone was read"
        return
    fi
    diff <(expected_controls) <(uia tree) >&2 || fail "UI Automation reads the window as above"
    type_length 8
    uia click Generate
    poll 15 announced 'New password of 8 characters generated' ||
        fail "Generate announced: $(grep UiaRaiseNotificationEvent "$work/keyfold.log")"
    copy_until '^[A-Za-z0-9]{8}$'
    local password
    password=$(clipboard)
    diff <(expected_controls) <(uia tree) >&2 || fail "after Generate, UI Automation reads the above"
    ! grep -qF "$password" "$work/uia.txt" || fail "an element's name holds the password"
    poll 15 announced 'Password copied to the clipboard' ||
        fail "Copy announced: $(grep UiaRaiseNotificationEvent "$work/keyfold.log")"
    ! grep -qF "$password" "$work/keyfold.log" || fail "the password was announced"
}

# What the prefix holds, to compare before installing and after uninstalling: files and folders
# outside the temporary ones, and registry keys; less the empty folder and keys that Windows
# Installer makes on its first use and keeps, as every Windows has them.
installer_own=(./windows/Installer '[Software\\Classes\\Installer\\Features]'
    '[Software\\Classes\\Installer\\Products]' '[Software\\Classes\\Installer\\UpgradeCodes]'
    '[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes]'
    '[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components]'
    '[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products]')
prefix_contents() {
    wineserver -w # the registry is on disk once the server has ended
    {
        (cd "$WINEPREFIX/drive_c" && find . -path ./users/\*/Temp -prune -o -print | sort)
        sed -n 's/^\(\[.*\]\).*/\1/p' "$WINEPREFIX"/{system,user}.reg | sort
    } | grep -vxF "${installer_own[@]/#/-e}"
}

# installation FOLDER KEY: the files installed in FOLDER (of drive C), with their sizes and dates,
# and the uninstall entry KEY, read while programs run.
installation() {
    find "$WINEPREFIX/drive_c/$1" -printf '%P %s %T@\n' | sort
    wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$2" | tr -d '\r'
}

# Entries named Keyfold among the installed apps, for the machine and for the user (Windows
# Installer keeps a copy of its own elsewhere).
uninstall_entries() {
    wineserver -w
    awk '/^\[/ { entry = index($0, "\\\\CurrentVersion\\\\Uninstall\\\\") > 0 }
         entry && $0 == "\"DisplayName\"=\"Keyfold\"" { ++count }
         END { print count + 0 }' "$WINEPREFIX"/{system,user}.reg
}

# has_entry_values KEY VALUE...: the uninstall entry KEY, as the registry file has it (with each
# backslash doubled), holds each VALUE ("NAME"=...).
has_entry_values() {
    wineserver -w
    local key='Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\'"$1" entry value
    entry=$(sed -n "/^\\[$key\\]/,/^\$/p" "$WINEPREFIX/system.reg")
    for value in "${@:2}"; do
        grep -qF "$value" <<<"$entry" || fail "the uninstall entry $1 lacks $value: $entry"
    done
}

# msiexec ARGUMENT...: Windows Installer, quiet, with its log; Wine gives its status modulo 256.
msiexec() {
    wine msiexec "$@" /qn /norestart /l*v "$(winepath -w "$work/msiexec.log")"
}

# make_msi VERSION MSI: a package of this build's folder for another version, whose licence text
# says which.
make_msi() {
    local folder_copy=$work/msi-$1/$folder
    mkdir -p "$folder_copy"
    cp -r "$build_dir/zip/$folder/." "$folder_copy"
    echo "Keyfold $1" >"$folder_copy/LICENSE.txt"
    cmake -D folder="$folder_copy" -D msi="$2" -D version="$1" -D epoch=0 \
        -D icon="$build_dir/Keyfold.ico" -D vendor='The Keyfold developers' -D copyright= \
        -D template="$project/packaging/windows/keyfold.wxs.in" -D work="$work/msi-$1" \
        -D authenticode="$project/scripts/authenticode.sh" -D signatures="$work/msi-$1/none" \
        -P "$project/cmake/msi-folder.cmake" >"$work/msi-$1.log" 2>&1 ||
        fail "no package of version $1: $(cat "$work/msi-$1.log")"
}

# The Windows Installer package, in the prefix as it was before the setup program: silently, it
# replaces a lower version in place (one entry, the new files) and puts the program, its shortcut
# (which Wine puts in the user's Start menu) and its entry in place; the installed program runs and
# ends; neither the setup program nor the lower version installs over it, and neither changes
# anything; a silent uninstall by product code leaves the prefix as it was.
windows_installer_package() {
    local msi=$build_dir/$folder.msi installed="$WINEPREFIX/drive_c/Program Files/Keyfold" code
    make_msi 1.0.1 "$work/old.msi"
    msiexec /i "$(winepath -w "$work/old.msi")" || fail "installing 1.0.1 ended with status $?"
    [ "$(cat "$installed/LICENSE.txt")" = "Keyfold 1.0.1" ] || fail "1.0.1 is not installed"
    msiexec /i "$(winepath -w "$msi")" || fail "the package ended with status $?"
    [ "$(uninstall_entries)" = 1 ] || fail "$(uninstall_entries) uninstall entries after upgrading"
    diff -r "$build_dir/zip/$folder" "$installed" >&2 || fail "installed other files (above)"
    [ "$(find "$WINEPREFIX/drive_c" -name Keyfold.lnk | wc -l)" = 1 ] ||
        fail "Start-menu shortcuts: $(find "$WINEPREFIX/drive_c" -name Keyfold.lnk)"
    code=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
    has_entry_values "$code" '"DisplayName"="Keyfold"' "\"DisplayVersion\"=\"$version\"" \
        '"Publisher"="The Keyfold developers"' '"EstimatedSize"=dword:'
    # The entry's icon, which Windows Installer keeps with the product (its size: Wine says 0).
    grep -q "^\"ProductIcon\"=\"C:.*$code.*keyfold\\.ico\"\$" "$WINEPREFIX/system.reg" ||
        fail "no icon for the package's entry"
    start_keyfold 'C:\Program Files\Keyfold\Keyfold.exe'
    close_keyfold 30

    installation 'Program Files/Keyfold' "$code" >"$work/package"
    local status=0
    wine "$build_dir/$folder-setup.exe" /S || status=$?
    [ "$status" = 2 ] || fail "the setup program over the package ended with status $status"
    status=0
    msiexec /i "$(winepath -w "$work/old.msi")" || status=$?
    [ "$status" = $((1603 % 256)) ] || fail "installing 1.0.1 over $version ended with $status"
    installation 'Program Files/Keyfold' "$code" | diff "$work/package" - >&2 ||
        fail "changed over the package (above)"
    msiexec /x "$code" || fail "uninstalling the package ended with status $?"
    prefix_contents >"$work/after"
    diff "$work/before" "$work/after" >&2 || fail "uninstalling the package left changes (above)"
}

# The setup program in a fresh prefix: a silent install puts the program, its shortcut and its
# uninstall entry in place; the installed program runs and ends; installing again leaves one
# installation and one entry; while the program runs from there, neither installing again nor
# uninstalling changes anything, nor does the Windows Installer package; once it has ended, a
# silent uninstall leaves the prefix as it was before. Then the package itself (above).
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
    has_entry_values Keyfold '"DisplayName"="Keyfold"' "\"DisplayVersion\"=\"$version\"" \
        '"Publisher"="The Keyfold developers"' '"EstimatedSize"=dword:' '"DisplayIcon"=' \
        '"UninstallString"='
    local status=0
    msiexec /i "$(winepath -w "$build_dir/$folder.msi")" || status=$?
    [ "$status" = $((1603 % 256)) ] || fail "the package over the setup's Keyfold ended with $status"
    [ "$(uninstall_entries)" = 1 ] || fail "$(uninstall_entries) entries after the package refused"
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
    installation Keyfold Keyfold >"$work/running"
    status=0
    wine "$setup" /S || status=$?
    [ "$status" = 2 ] || fail "installing over a running Keyfold ended with status $status"
    status=0
    wine 'C:\Keyfold\Uninstall.exe' /S '_?=C:\Keyfold' || status=$?
    [ "$status" = 2 ] || fail "uninstalling a running Keyfold ended with status $status"
    installation Keyfold Keyfold | diff "$work/running" - >&2 ||
        fail "changed while Keyfold ran (above)"
    close_keyfold 30
    wine 'C:\Keyfold\Uninstall.exe' /S || fail "the uninstaller ended with status $?"
    prefix_contents >"$work/after" # once the uninstaller's copy of itself has ended
    diff "$work/before" "$work/after" >&2 || fail "the uninstaller left the prefix changed (above)"
    windows_installer_package
}

# flip FILE OFFSET: changes one bit of the byte at OFFSET.
flip() {
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "\\$(printf %03o $((byte ^ 1)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# A throwaway certificate authority and code-signing certificate, and the signer's key in a
# software token (SoftHSM, through PKCS#11) as a maintainer's would be on a hardware one; the same
# key also in a PKCS#12 file; and a stranger's certificate (stranger.pem, stranger.key). Sets
# signing_key (the environment that gives the token's key) and keys (the folder, with the
# authority's certificate ca.pem).
make_signing_key() {
    keys=$work/keys
    mkdir -p "$keys/tokens"
    cat >"$keys/openssl.cnf" <<'END'
[req]
distinguished_name = name
[name]
[authority]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign
[signer]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
# Where no list can be fetched: a rebuild that tries fails.
crlDistributionPoints = URI:http://127.0.0.1:9/keyfold-test.crl
END
    (
        cd "$keys"
        openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
            -subj '/CN=Keyfold test authority' -config openssl.cnf -extensions authority &&
            openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
                -subj '/CN=Keyfold test signer' -config openssl.cnf &&
            openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
                -out signer.pem -extfile openssl.cnf -extensions signer &&
            cat signer.pem ca.pem >chain.pem && echo 1234 >pin &&
            openssl req -x509 -newkey rsa:2048 -nodes -keyout stranger.key -out stranger.pem \
                -days 2 -subj '/CN=Someone else' &&
            openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem \
                -out signer.p12 -passout file:pin &&
            openssl pkcs8 -topk8 -nocrypt -in signer.key -out signer.p8 &&
            printf 'directories.tokendir = %s\nobjectstore.backend = file\n' "$keys/tokens" \
                >softhsm2.conf &&
            SOFTHSM2_CONF=softhsm2.conf softhsm2-util --init-token --free --label keyfold \
                --pin 1234 --so-pin 12345678 &&
            SOFTHSM2_CONF=softhsm2.conf softhsm2-util --import signer.p8 --token keyfold \
                --label signer --id 01 --pin 1234 && rm ca.key signer.key signer.p8
    ) >"$keys/log" 2>&1 || fail "no signing key: $(cat "$keys/log")"
    signing_key=(SOFTHSM2_CONF="$keys/softhsm2.conf"
        KEYFOLD_SIGN_PKCS11_MODULE="$(dpkg -L libsofthsm2 | grep -m1 '/libsofthsm2\.so$')"
        KEYFOLD_SIGN_PKCS11_KEY='pkcs11:token=keyfold;object=signer;type=private'
        KEYFOLD_SIGN_CERTS="$keys/chain.pem" KEYFOLD_SIGN_PASSWORD_FILE="$keys/pin")
}

# verify_signed FILE...: each is signed, and its signature verifies against the test authority
# (whose revocation list cannot be fetched: osslsigncode 2.5 fetches none, 2.9 is told not to).
verify_signed() {
    local file offline=()
    { osslsigncode verify 2>&1 || true; } | grep -q -- -ignore-crl && offline=(-ignore-crl)
    for file in "$@"; do
        osslsigncode verify "${offline[@]}" -CAfile "$keys/ca.pem" -in "$file" \
            >"$work/verify.log" 2>&1 ||
            fail "${file#"$work"/} is not signed as it should be: $(tail -5 "$work/verify.log")"
    done
}

programs_in() { find "$1" -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort; }

# rebuild_fails FILE TARGET OUTPUT [SAYING]: with FILE changed, building TARGET (which makes OUTPUT)
# again stops and says that FILE does not match its signature (or SAYING).
rebuild_fails() {
    local saying=${4:-does not match its signature}
    rm -f "$work/copy/build-windows/$3"
    ! make -C "$work/copy" windows WINDOWS_TARGETS="$2" >"$work/tampered.log" 2>&1 ||
        fail "the build went on with $1 changed"
    grep -q "authenticode: $1 $saying" "$work/tampered.log" ||
        fail "the build stopped, but did not say that $1 $saying: $(tail "$work/tampered.log")"
}

# signature_replaced_fails FILE TARGET OUTPUT SIGNATURE SAYING: with FILE's signature replaced by
# SIGNATURE, building TARGET again stops and says SAYING of FILE.
signature_replaced_fails() {
    local signature=$work/copy/packaging/windows/signatures/$version/$1.sig
    cp "$signature" "$work/kept.sig"
    cp "$4" "$signature"
    rebuild_fails "$1" "$2" "$3" "$5"
    cp "$work/kept.sig" "$signature"
}

# signature_changed_fails FILE TARGET OUTPUT: the same with a byte of FILE's signature changed.
signature_changed_fails() {
    cp "$work/copy/packaging/windows/signatures/$version/$1.sig" "$work/changed.sig"
    flip "$work/changed.sig" 200
    signature_replaced_fails "$@" "$work/changed.sig" "does not match its signature"
}

# verify_signed_inside ARCHIVE...: every program file that ARCHIVE holds (a setup program, an
# uninstaller, a package), as 7-Zip or msitools unpack it, is signed.
verify_signed_inside() {
    local archive unpacked
    for archive in "$@"; do
        unpacked=$work/unpacked/${archive##*/}
        mkdir -p "$unpacked"
        if [[ $archive == *.msi ]]; then
            (cd "$unpacked" && msiextract "$archive" >/dev/null)
        else
            7z x -o"$unpacked" "$archive" >/dev/null
        fi || fail "could not unpack $archive"
        mapfile -t programs < <(programs_in "$unpacked")
        [ ${#programs[@]} -gt 0 ] || fail "no program file in $archive"
        verify_signed "${programs[@]}"
    done
}

# offline COMMAND...: COMMAND in a network namespace of its own, with no network, where this
# machine lets a user make one (not in a chroot, for one).
offline() {
    if unshare -n true 2>/dev/null; then
        unshare -n "$@"
    elif unshare -rn true 2>/dev/null; then
        unshare -rn "$@"
    else
        echo "no network namespace here: the rebuild is not cut off from the network" >&2
        "$@"
    fi
}

# A signed release as its maintainer makes it (make sign-windows, the key in a token), from the
# sources as a release tarball has them: every program file in the zip, the setup program, the
# MSI and what they install or unpack, the uninstaller and the setup's plug-ins too, verifies
# against the test authority, and Windows' own check (under Wine) accepts them and tells an altered
# file and an unsigned one. Then the tarball of the commit of the signatures (git archive), with no
# key and no network, at another path, under the other umask, on a file system that lists each
# folder in a random order, gives the very same bytes, which the comparing command says; the
# signer's certificate names a revocation list that cannot be fetched, which attaching must not
# try. A changed byte in a signature, the uninstaller's too, or in a built file stops that build,
# and so does a stranger's signature over the same bytes. The release is built unsigned first in
# the tree it is signed in. Also, the PKCS#12 road.
case_release() {
    make_signing_key
    local signatures=packaging/windows/signatures/$version released=$work/release/build-windows
    local downloads=("$folder.zip" "$folder-setup.exe" "$folder.msi")
    copy_sources "$work/release"
    # Built unsigned first, in the same tree, as a maintainer may: signing must not pack what
    # that build left. The setup program comes first, as in a build of everything, where its
    # plug-ins are made before the build could see any new signature.
    make -C "$work/release" windows WINDOWS_TARGETS=windows_setup >"$work/release.log" 2>&1 ||
        { cat "$work/release.log"; fail "the unsigned build before signing failed"; }
    env "${signing_key[@]}" make -C "$work/release" sign-windows \
        WINDOWS_TARGETS="windows_setup windows_zip windows_msi" >"$work/release.log" 2>&1 ||
        { cat "$work/release.log"; fail "the signed build failed"; }
    unzip -q "$released/$folder.zip" -d "$work/unzipped"
    verify_signed $(programs_in "$work/unzipped") "$released/$folder-setup.exe" \
        "$released/$folder.msi"
    verify_signed_inside "$released/$folder-setup.exe" "$released/$folder.msi"
    export WINEPREFIX=$work/prefix
    prepare_wine
    wine "$released/$folder-setup.exe" /S || fail "the signed setup program ended with status $?"
    local installed="$WINEPREFIX/drive_c/Program Files/Keyfold"
    [ -f "$installed/Uninstall.exe" ] || fail "no uninstaller installed"
    mapfile -t files < <(programs_in "$installed")
    verify_signed "${files[@]}"
    verify_signed_inside "$installed/Uninstall.exe"
    cp "$installed/Keyfold.exe" "$work/altered.exe"
    flip "$work/altered.exe" 2000
    local trust
    trust=$(peer trust "$(winepath -w "$installed/Keyfold.exe")" \
        "$(winepath -w "$installed/Uninstall.exe")" "$(winepath -w "$released/$folder-setup.exe")" \
        "$(winepath -w "$released/$folder.msi")" "$(winepath -w "$work/altered.exe")" \
        "$(winepath -w "$build_dir/Keyfold.exe")" | tr '\n' ' ')
    [ "$trust" = "00000000 00000000 00000000 00000000 80096010 800b0100 " ] ||
        fail "WinVerifyTrust gave $trust (signed four times, TRUST_E_BAD_DIGEST, TRUST_E_NOSIGNATURE expected)"
    mkdir "$work/p12"
    cp "$build_dir/Keyfold.exe" "$work/p12/"
    KEYFOLD_SIGN_PKCS12=$keys/signer.p12 KEYFOLD_SIGN_PASSWORD_FILE=$keys/pin \
        "$project/scripts/authenticode.sh" "$work/p12/Keyfold.exe" Keyfold.exe "$work/p12/signatures"
    verify_signed "$work/p12/Keyfold.exe"

    # The release's commit, and the signatures committed after it, which must not change the date
    # of what is built; rebuilt from the tarball of the second.
    copy_sources "$work/sources"
    mkdir -p "$(dirname "$work/sources/$signatures")"
    cp -r "$work/release/$signatures" "$work/sources/$signatures"
    local date
    date=$(git -C "$project" log -1 --format=%ct)
    mkdir "$work/tarball"
    (
        cd "$work/sources" && git init -q && git add -A ":(exclude)$signatures" &&
            GIT_AUTHOR_DATE=@$date GIT_COMMITTER_DATE=@$date git -c user.name=Keyfold \
                -c user.email=release@keyfold.invalid commit -q -m "The release" &&
            git add -A && git -c user.name=Keyfold -c user.email=release@keyfold.invalid \
            commit -q -m "Its signatures" && git archive HEAD | tar -x -C "$work/tarball"
    ) || fail "could not make the tarball of the release"
    mkdir "$work/copy"
    if disorderfs --shuffle-dirents=yes --quiet "$work/tarball" "$work/copy" >"$work/fuse.log" 2>&1
    then
        shuffled=$work/copy
    elif [ ! -w /dev/fuse ]; then
        echo "no FUSE for this user (/dev/fuse): the second build's folders are not shuffled"
        rmdir "$work/copy" && mv "$work/tarball" "$work/copy"
    else
        fail "disorderfs could not mount the sources: $(cat "$work/fuse.log")"
    fi
    (umask "$(other_umask)" && offline make -C "$work/copy" windows \
        WINDOWS_TARGETS="windows_zip windows_setup windows_msi") >"$work/rebuild.log" 2>&1 ||
        { cat "$work/rebuild.log"; fail "the build from the signatures failed"; }
    local compared
    compared=$(cd "$released" && "$project/scripts/compare-windows-release.sh" \
        "$work/copy/build-windows" "${downloads[@]}") ||
        fail "a build from the signatures gives other bytes: $compared"
    [ "$compared" = "$(printf '%s: identical\n' "${downloads[@]}")" ] ||
        fail "the comparing command said: $compared"
    for file in "$build_dir/Keyfold.exe" "$released/Keyfold.exe"; do
        cmp "$file" "$work/copy/build-windows/Keyfold.exe" || fail "another Keyfold.exe than $file"
    done
    mkdir "$work/changed"
    cp "$released/$folder.zip" "$work/changed/"
    (cd "$work/unzipped" && echo changed >>"$folder/LICENSE.txt" &&
        zip -q "$work/changed/$folder.zip" "$folder/LICENSE.txt")
    compared=$("$project/scripts/compare-windows-release.sh" "$work/copy/build-windows" \
        "$work/changed/$folder.zip") && fail "a changed zip compared as identical"
    [[ $compared == *"$folder/LICENSE.txt"* ]] || fail "the comparing command said: $compared"

    signature_changed_fails Qt6Core.dll windows_zip "$folder.zip"
    # A stranger's signature over the very bytes the release signed (its file, less its signature).
    (cd "$keys" && osslsigncode remove-signature -in "$work/unzipped/$folder/Keyfold.exe" \
        -out unsigned.exe && osslsigncode sign -certs stranger.pem -key stranger.key -h sha256 \
        -n Keyfold -in unsigned.exe -out stranger.exe &&
        osslsigncode extract-signature -pem -in stranger.exe -out stranger.sig) >"$keys/log" 2>&1 ||
        fail "the stranger could not sign: $(cat "$keys/log")"
    signature_replaced_fails Keyfold.exe windows_zip "$folder.zip" "$keys/stranger.sig" \
        "is signed by another certificate"
    signature_changed_fails Uninstall.exe windows_setup "$folder-setup.exe"
    flip "$work/copy/build-windows/Keyfold.exe" 2000
    rebuild_fails Keyfold.exe windows_zip "$folder.zip"
    check_release_folder
}

# The release folder of the signatures' commit (scripts/release.sh, as make release runs it), made
# twice from the same downloads (the signed Windows ones above, the project's .deb): the same
# bytes, signature aside. Its SHA256SUMS is signed with a throwaway key in a GnuPG home of the
# test's own, and checks with gpg and sha256sum; each bill of materials is CycloneDX 1.6 by
# CycloneDX's own schema, the zip's naming every DLL in it with its SHA-256; the README names the
# key. make verify-download's script takes the signed list and the tarball, and refuses a changed
# byte in a download, naming it, and a list signed by a key other than the one trusted.
check_release_folder() {
    make -C "$project" package >"$work/package.log" 2>&1 ||
        { cat "$work/package.log"; fail "make package failed"; }
    export GNUPGHOME=$work/gnupg
    mkdir -m 700 "$GNUPGHOME"
    local name fingerprints
    for name in release other; do
        gpg --batch --passphrase '' --quick-generate-key "Keyfold test $name" ed25519 sign 1d \
            2>>"$work/gpg.log" || fail "no OpenPGP key: $(cat "$work/gpg.log")"
    done
    mapfile -t fingerprints < <(gpg --with-colons --list-secret-keys 2>>"$work/gpg.log" |
        awk -F: '$1 == "fpr" { print $10 }')
    local key=${fingerprints[0]} other=${fingerprints[1]}
    local run
    for run in first second; do
        KEYFOLD_RELEASE_KEY=$key KEYFOLD_RELEASE_URL=https://downloads.keyfold.invalid/ \
            "$work/sources/scripts/release.sh" "$version" "$project/build" "$released" \
            "$work/$run" >"$work/$run.log" 2>&1 || { cat "$work/$run.log"; fail "release.sh failed"; }
    done
    diff -r --exclude=SHA256SUMS.asc "$work/first" "$work/second" >&2 ||
        fail "the release folder made twice differs (above)"
    (cd "$work/first" && gpg --verify SHA256SUMS.asc SHA256SUMS && sha256sum -c SHA256SUMS) \
        >"$work/checked.log" 2>&1 || fail "the release does not check: $(cat "$work/checked.log")"
    grep -qF "$(sed 's/..../& /g; s/ $//' <<<"$key")" "$work/first/README.txt" ||
        fail "the README does not name the key: $(cat "$work/first/README.txt")"
    local bill
    for bill in "$work"/first/*.cdx.json; do
        "$project/tests/desktop/check-sbom.py" "$bill"
    done
    "$project/tests/desktop/check-sbom.py" "$work/first/$folder.zip.cdx.json" \
        "$work/first/$folder.zip"

    local verify=(env -C "$work/sources" scripts/verify-download.sh "$work/first/SHA256SUMS"
        "$work/first/SHA256SUMS.asc")
    KEY=$key "${verify[@]}" "$work/first/keyfold-$version.tar.gz" >"$work/verified.log" 2>&1 ||
        fail "make verify-download refused the release: $(cat "$work/verified.log")"
    grep -qx "keyfold-$version.tar.gz: identical" "$work/verified.log" ||
        fail "make verify-download said: $(cat "$work/verified.log")"
    local deb
    deb=$(cd "$work/first" && ls keyfold_"$version"_*.deb)
    mkdir "$work/altered-deb"
    cp "$work/first/$deb" "$work/altered-deb/"
    flip "$work/altered-deb/$deb" 1000
    ! KEY=$key "${verify[@]}" "$work/altered-deb/$deb" >"$work/verified.log" 2>&1 &&
        grep -q "$deb does not match its checksum" "$work/verified.log" ||
        fail "make verify-download took a changed $deb: $(cat "$work/verified.log")"
    ! KEY=$other "${verify[@]}" "$work/first/keyfold-$version.tar.gz" >"$work/verified.log" 2>&1 &&
        grep -q "SHA256SUMS is not signed by the key $other" "$work/verified.log" ||
        fail "make verify-download took another key's signature: $(cat "$work/verified.log")"
}

case $case_name in
    accessibility)
        # Qt's announcements, which Wine 10 only logs.
        export WINEDEBUG=-all,fixme+uiautomation
        ;&
    window | copy | close)
        start_desktop
        prepare_wine
        unzip -q "$build_dir/$folder.zip" -d "$work"
        start_keyfold "$folder\\Keyfold.exe"
        ;;
    suite) start_desktop && prepare_wine ;;
    installer | release) start_desktop ;;
esac
"case_$case_name"
echo "PASS ($case_name)"
