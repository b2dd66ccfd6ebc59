# Shared by the scripts that test on an X server, sourced after common.sh: an Xvfb of their own on
# a free display with openbox as window manager; windows found by caption; the clipboard read by
# xclip from another process; keys typed by xdotool.
clipboard() { timeout 2 xclip -o -selection clipboard "$@" 2>/dev/null; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }

# An X server of its own, with openbox. The display number is drawn at random rather than the
# first free one, which an X server of another test may just be giving up (it then removes the
# new server's socket and lock as its own); a number that is taken, or a desktop that does not
# come up, is tried again with another.
start_desktop() {
    local attempt
    for attempt in 1 2 3; do
        # Not left from the attempt before: the new server's shell empties it only once it runs.
        rm -f "$work/display"
        Xvfb ":$((RANDOM % 900 + 100))" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
            3>"$work/display" 2>"$work/xvfb.log" &
        xvfb=$!
        pids+=("$xvfb")
        poll 30 display_settled || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
        if [ -s "$work/display" ]; then
            export DISPLAY=":$(cat "$work/display")"
            openbox --sm-disable >"$work/openbox.log" 2>&1 &
            openbox=$!
            pids+=("$openbox")
            poll 30 desktop_settled && ! gone "$openbox" && return
        fi
        echo "no desktop at attempt $attempt: $(cat "$work/xvfb.log" "$work/openbox.log" 2>&1)"
        kill "$xvfb" 2>/dev/null || true
    done
    fail "no X server with openbox came up"
}

# Xvfb has announced its display, or has given up (its number may be taken).
display_settled() { test -s "$work/display" || gone "$xvfb"; }

# openbox has taken the display as its window manager, or has given up.
desktop_settled() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" || gone "$openbox"
}

# start_keyfold [VARIABLE=VALUE...]: the built program ($keyfold) on the X server, in that
# environment and with its stderr kept; returns once its window has the focus.
start_keyfold() {
    env "$@" QT_QPA_PLATFORM=xcb "$keyfold" 2>"$work/keyfold.log" &
    keyfold_pid=$!
    pids+=("$keyfold_pid")
    poll 30 window_active || fail "no window titled '$title' that takes the focus"
}

# Sets $window to the program's window, once there is one.
find_window() {
    window=$(xdotool search --name "^${title//./\\.}\$" 2>/dev/null | head -1) && [ -n "$window" ]
}

# Whether the program's window is there and has the focus, after asking for it; the window is
# found anew each time, as Wine may replace the one found first.
window_active() {
    find_window && xdotool windowactivate "$window" 2>/dev/null &&
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]
}

# The length box has the focus at start: replace its text.
type_length() {
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$1"
}

copy_matches() { xdotool key --clearmodifiers alt+c && sleep 0.1 && [[ $(clipboard) =~ $1 ]]; }

# Copies with Alt+C until the clipboard holds a text matching the pattern.
copy_until() {
    local pattern=$1
    poll 15 copy_matches "$pattern" || fail "clipboard '$(clipboard)' never matched $pattern"
}

window_gone() { ! xdotool getwindowname "$window" >/dev/null 2>&1; }

# A window manager that has only just started can lose a key: Alt+F4 again until the window goes.
close_window() { xdotool key --clearmodifiers alt+F4 && poll 1 window_gone; }

# close_keyfold SECONDS: Alt+F4 must close the window, and the program ($keyfold_pid) must then end
# in time, with status 0.
close_keyfold() {
    poll "$1" close_window || fail "the window is still there after Alt+F4"
    poll "$1" gone "$keyfold_pid" || fail "still running after its window closed"
    local status=0
    wait "$keyfold_pid" || status=$?
    [ "$status" -eq 0 ] || fail "exit status $status"
}
