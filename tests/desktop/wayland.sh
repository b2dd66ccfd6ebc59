#!/usr/bin/env bash
# End-to-end tests of the built program as a native Wayland client: its own headless sway, keys from
# a virtual keyboard (wtype), the clipboard read by wl-paste from another process, the window seen
# through sway's IPC. sway refuses to run as root, so as root the compositor and every client run
# as nobody, with the work folder as their private runtime folder.
# Usage: wayland.sh CASE KEYFOLD_BINARY OUTPUT_DIR   (CASE: window, copy, close)
set -euo pipefail
case_name=$1
output_dir=$3
source "$(dirname "$0")/common.sh"

user=(env -i PATH="$PATH" HOME="$work" XDG_RUNTIME_DIR="$work" LANG=C.UTF-8)
if [ "$(id -u)" -eq 0 ]; then
    user=(setpriv --reuid=nobody --regid=nogroup --clear-groups -- "${user[@]}")
    chown nobody:nogroup "$work"
fi
as_user() { "${user[@]}" "$@"; }
# A copy that the user can run wherever the build tree is.
keyfold=$work/keyfold
cp "$2" "$keyfold"
# Core files allowed as far as they can be, so that the program's own refusal shows.
ulimit -S -c "$(ulimit -H -c)"
[ "$(ulimit -S -c)" != 0 ] || fail "core files cannot be allowed here, so their refusal cannot show"

start_compositor() {
    echo 'xwayland disable' >"$work/sway.conf"
    "${user[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    pids+=($!)
    poll 30 compgen -G "$work/sway-ipc.*.sock" >/dev/null ||
        fail "sway did not start: $(cat "$work/sway.log")"
    local display
    display=$(compgen -G "$work/wayland-[0-9]") || fail "sway offers no Wayland display"
    user+=(WAYLAND_DISPLAY="${display##*/}" SWAYSOCK="$(compgen -G "$work/sway-ipc.*.sock")")
    # The seat has a keyboard only while a virtual one is connected, and Qt binds a keyboard only
    # when the seat offers one: this one stays for the whole test.
    "${user[@]}" wtype -s 3600000 -k Shift_L &
    pids+=($!)
    poll 30 has_keyboard || fail "the virtual keyboard did not connect"
}

# The program's window in sway's tree, as JSON (nothing while it has none).
window_node() {
    as_user swaymsg -t get_tree |
        jq -c --argjson pid "$keyfold_pid" '.. | objects | select(.pid? == $pid)'
}
focused() { [ "$(window_node | jq -r .focused)" = true ]; }
rect_differs() { [ "$(window_node | jq -c .rect)" != "$1" ]; }
has_keyboard() {
    as_user swaymsg -t get_seats | jq -e '.. | objects | select(.type? == "keyboard")' >/dev/null
}

# start_keyfold [SESSION_TYPE]: started as a session starts it, with no platform named: from a
# compositor typed at a text console (tty, the default) or started by a display manager (wayland).
start_keyfold() {
    "${user[@]}" XDG_SESSION_TYPE="${1:-tty}" "$keyfold" 2>>"$work/keyfold.log" &
    keyfold_pid=$!
    pids+=("$keyfold_pid")
    poll 30 focused || fail "no focused window of process $keyfold_pid"
}

keys() { as_user wtype "$@"; }
clipboard() { as_user timeout 2 wl-paste "$@" 2>/dev/null; }
copy_matches() { keys -M alt c -m alt && sleep 0.1 && [[ $(clipboard -n) =~ $1 ]]; }

case_window() {
    local node
    node=$(window_node)
    [ "$(jq -r .shell <<<"$node")" = xdg_shell ] || fail "not a native toplevel: $node"
    [ "$(jq -r .app_id <<<"$node")" = "$app_id" ] || fail "app_id: $node"
    [ "$(jq -r .name <<<"$node")" = "$title" ] || fail "title: $node"
    # Not dumpable: the kernel then hands the process's files to root.
    [ "$(stat -c %u "/proc/$keyfold_pid/status")" = 0 ] || fail "the process is dumpable"
    grep -Eq '^Max core file size +0 +0 ' "/proc/$keyfold_pid/limits" || fail "core files allowed"

    local size rect
    size=$(jq -c '.geometry | [.width, .height]' <<<"$node")
    rect=$(jq -c .rect <<<"$node")
    as_user swaymsg "[pid=$keyfold_pid] resize set 700 500" >/dev/null
    poll 15 rect_differs "$rect" || fail "sway did not take the request"
    sleep 0.3 # for the program to answer the request, which it must not follow
    [ "$(window_node | jq -c '.geometry | [.width, .height]')" = "$size" ] ||
        fail "resized from $size to $(window_node | jq -c .geometry)"
    jq -r '.rect | "\(.x),\(.y) \(.width)x\(.height)"' <<<"$node" >"$work/area"
    as_user grim -g "$(cat "$work/area")" "$work/window.png"
    cp "$work/window.png" "$output_dir/keyfold-wayland.png"
}

case_copy() {
    keys -M ctrl a -m ctrl 7 -M alt g -m alt
    poll 15 copy_matches '^[A-Za-z0-9]{7}$' ||
        fail "clipboard '$(clipboard -n)' is no 7-character password"
    clipboard -l | grep -qx 'x-kde-passwordManagerHint' ||
        fail "no password-manager hint: $(clipboard -l)"
    # The toolkit's own offer of text selected in the password box is marked too.
    local password
    password=$(clipboard -n)
    keys -k Tab -k Tab -k End -M shift -k Home -m shift
    poll 15 selection_marked "$password" ||
        fail "the selection offers '$(clipboard -p -n)' with $(clipboard -p -l | tr '\n' ' ')"
}
selection_marked() {
    [ "$(clipboard -p -n)" = "$1" ] && clipboard -p -l | grep -qx 'x-kde-passwordManagerHint'
}

# The toolkit's teardown on Wayland is a race, so closing is tried many times, after each of the
# things a compositor may have done to the window.
case_close() {
    local cycle status before=(nop 'move position 10 10' 'resize set 600 400' 'fullscreen enable')
    local sessions=(tty wayland)
    for cycle in $(seq 40); do
        [ "$cycle" -eq 1 ] || start_keyfold "${sessions[cycle % 2]}"
        as_user swaymsg "[pid=$keyfold_pid] ${before[cycle % 4]}" >/dev/null
        as_user swaymsg "[pid=$keyfold_pid] kill" >/dev/null
        poll 5 gone "$keyfold_pid" ||
            fail "cycle $cycle (${before[cycle % 4]}): still running 5 s after closing"
        status=0
        wait "$keyfold_pid" || status=$?
        [ "$status" -eq 0 ] || fail "cycle $cycle: exit status $status"
    done
}

start_compositor
start_keyfold
"case_$case_name"
messages=$(program_messages "$work/keyfold.log")
[ -z "$messages" ] || fail "wrote on stderr: $messages"
echo "PASS ($case_name)"
