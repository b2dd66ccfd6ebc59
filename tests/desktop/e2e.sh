#!/usr/bin/env bash
# End-to-end tests of the built program on a real X server: its own Xvfb on a free display with
# openbox as window manager, keys from xdotool, the clipboard read by xclip from another process.
# Usage: e2e.sh CASE KEYFOLD_BINARY OUTPUT_DIR   (CASE: window, copy, extended, cap, edit, keys,
# same_instant, close, no_display; OUTPUT_DIR: the build folder)
set -euo pipefail
case_name=$1
keyfold=$2
output_dir=$3
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/x11.sh"

# Left, right, top and bottom widths of the frame the window manager puts around the window.
frame_extents() { xprop -id "$window" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}'; }

geometry() { xwininfo -id "$window" | awk '/Absolute upper-left|Width:|Height:/ {printf "%s ", $NF}'; }

case_window() {
    [ "$(xdotool getwindowname "$window")" = "$title" ] || fail "title '$(xdotool getwindowname "$window")'"
    # The application's name, which also titles its message box.
    xprop -id "$window" WM_CLASS | grep -q '"Keyfold"$' || fail "application name: $(xprop -id "$window" WM_CLASS)"
    read -r x y width height <<<"$(geometry)"
    hints=$(xprop -id "$window" WM_NORMAL_HINTS)
    grep -q "minimum size: $width by $height" <<<"$hints" || fail "minimum size not pinned: $hints"
    grep -q "maximum size: $width by $height" <<<"$hints" || fail "maximum size not pinned: $hints"
    # Centred on the 1024x768 screen; the title bar may push it down by its own height.
    read -r _ _ top _ <<<"$(frame_extents)"
    local dx=$((x + width / 2 - 512)) dy=$((y + height / 2 - 384))
    [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le $((top + 2)) ] || fail "not centred: offset $dx,$dy"
    xdotool windowsize "$window" 700 500
    sleep 0.5
    [ "$(geometry)" = "$x $y $width $height " ] || fail "resized to $(geometry)"
}

case_copy() {
    type_length 7
    xdotool key Return
    copy_until '^[A-Za-z0-9]{7}$'
    local password
    password=$(clipboard)
    clipboard -t TARGETS | grep -qx 'x-kde-passwordManagerHint' || fail "no password-manager hint"
    [ "$(clipboard -t x-kde-passwordManagerHint)" = secret ] || fail "hint is not 'secret'"
    [ "$(clipboard -t text/plain)" = "$password" ] || fail "plain text differs from the password"

    type_length 9
    xdotool key --clearmodifiers alt+g
    copy_until '^[A-Za-z0-9]{9}$'
}

case_extended() {
    type_length 8
    xdotool key Tab Tab Tab space # to the check box, and tick it
    local tries password
    for tries in $(seq 40); do
        xdotool key --clearmodifiers alt+g
        copy_until '^.{8}$'
        password=$(clipboard)
        [[ $password =~ ^[+-~]{8}$ ]] || fail "'$password' has characters outside + to ~"
        [[ $password =~ [^A-Za-z0-9] ]] && break
    done
    [[ $password =~ [^A-Za-z0-9] ]] || fail "40 passwords without an extended character"
    echo "extended character after $tries passwords: $password"
    read -r x y width height <<<"$(geometry)"
    read -r left _ top _ <<<"$(frame_extents)"
    import -window root -crop "$((width + 2 * left))x$((height + top + left))+$((x - left))+$((y - top))" \
        +repage "$output_dir/keyfold-e2e.png"
}

case_cap() {
    type_length 25
    xdotool key Return
    copy_until '^[A-Za-z0-9]{10}$'
    xdotool key --clearmodifiers ctrl+a ctrl+c # the length box still has the focus
    poll 15 clipboard_is 10 ||
        fail "the length box reads '$(clipboard)', not 10"
}

# marked SELECTION TEXT: the selection (clipboard or primary) holds TEXT, with the hint.
marked() {
    [ "$(timeout 2 xclip -o -selection "$1" 2>/dev/null)" = "$2" ] &&
        timeout 2 xclip -o -selection "$1" -t TARGETS 2>/dev/null | grep -qx x-kde-passwordManagerHint
}

# Whether a menu has opened beside the window (both are the program's windows on the screen).
menu_open() { [ "$(xdotool search --onlyvisible --class Keyfold 2>/dev/null | wc -l)" -ge 2 ]; }

# copies_marked TEXT KEY...: with another program's text on the clipboard, KEY... pressed in the
# password box puts TEXT there, marked; "Menu KEY" chooses the entry KEY of the box's menu.
copies_marked() {
    local text=$1 keys=${*:2}
    shift
    printf elsewhere | xclip -selection clipboard >/dev/null 2>&1
    poll 15 clipboard_is elsewhere || fail "xclip could not take the clipboard"
    if [ "$1" = Menu ]; then
        xdotool key Menu
        poll 15 menu_open || fail "the password box's menu did not open"
        shift
    fi
    xdotool key --clearmodifiers "$@"
    poll 15 marked clipboard "$text" ||
        fail "$keys gave '$(clipboard)' with $(clipboard -t TARGETS | tr '\n' ' ')"
}

case_edit() {
    xdotool key Return
    copy_until '^[A-Za-z0-9]{4}$'
    local password
    password=$(clipboard)
    xdotool key Tab Tab End # to the password box, after its text
    xdotool type --delay 20 'x+Y'
    copy_until "^${password}x\\+Y\$"
    # Every other way the text leaves the box is marked as the Clipboard button's copy is.
    xdotool key Home shift+End
    poll 15 marked primary "${password}x+Y" ||
        fail "the selection offers '$(timeout 2 xclip -o -selection primary)' unmarked"
    copies_marked "${password}x+Y" ctrl+c
    copies_marked "${password}x+Y" Menu c # the menu's Copy
    copies_marked "${password}x+Y" ctrl+u # cuts the line
    copy_until '^$'
}

# The password box's copying keys as the X11 desktops bind them, which the unit suites' offscreen
# platform does not: tst_commands' table on this X server, Ctrl+K and Ctrl+U among its rows.
case_keys() {
    QT_QPA_PLATFORM=xcb "$output_dir/tests/tst_commands" copyFromPasswordBox >"$work/keys.log" 2>&1 ||
        { cat "$work/keys.log"; fail "the password box's keys (above)"; }
    for keys in Ctrl+K Ctrl+U F16 F20; do
        grep -qF "PASS   : tst_Commands::copyFromPasswordBox($keys)" "$work/keys.log" ||
            fail "no row for $keys: $(cat "$work/keys.log")"
    done
}

# Two starts with the clock held at the same instant give two passwords: the time of day never
# decides one. The held clock is checked first, so that the test cannot pass by missing it.
case_same_instant() {
    local held=(LD_PRELOAD="$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')"
        FAKETIME='2026-01-01 12:00:00' FAKETIME_DONT_FAKE_MONOTONIC=1)
    [ "$(env "${held[@]}" date +%s.%N)" = 1767268800.000000000 ] || fail "libfaketime holds no clock"
    local passwords=() start
    for start in 1 2; do
        start_keyfold "${held[@]}"
        type_length 10
        xdotool key Return
        copy_until '^[A-Za-z0-9]{10}$'
        passwords+=("$(clipboard)")
        close_keyfold 15
    done
    [ "${passwords[0]}" != "${passwords[1]}" ] || fail "both starts made ${passwords[0]}"
}

case_close() { close_keyfold 15; }

# Started where no display is: one line of explanation and status 1, unless a platform was chosen.
case_no_display() {
    local message status=0
    message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM \
        "$keyfold" 2>&1) || status=$?
    [ "$status" -eq 1 ] || fail "exit status $status"
    [[ $message =~ ^keyfold:\ no\ display[^$'\n']*$ ]] || fail "said: $message"
    message=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$keyfold" 2>&1) || true
    [[ $message == *"could not connect to display"* ]] || fail "xcb was not left to Qt: $message"
}

case $case_name in
    no_display) ;;
    same_instant | keys) start_desktop ;;
    *) start_desktop && start_keyfold ;;
esac
"case_$case_name"
echo "PASS ($case_name)"
