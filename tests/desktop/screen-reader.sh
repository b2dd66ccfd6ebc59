#!/usr/bin/env bash
# What a screen-reader user gets, on an X server of the test's own (Xvfb with openbox) in a session
# of its own: home, runtime folder, D-Bus session bus and the accessibility bus it starts.
# Usage: screen-reader.sh CASE KEYFOLD_BINARY
#   tree: the accessibility tree as another process reads it through AT-SPI, at start and after
#         Generate, and the announcements of Generate and Copy where the Qt has them;
#   walk: Orca, with Speech Dispatcher writing what it would say to a file, used from the keyboard.
set -euo pipefail
case_name=$1
keyfold=$2
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/x11.sh"

# Orca's and Qt's own messages in English, whatever the machine's language.
export LC_ALL=C.UTF-8 LANGUAGE=
spoken=$work/spoken.txt

# Whether the Qt the program is built with has announcements (6.8 and later).
qt_announces() {
    [ "$(printf '6.8\n%s\n' "${KEYFOLD_QT_VERSION:?set by ctest}" | sort -V | head -1)" = 6.8 ]
}

start_session() {
    export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
    export XDG_CACHE_HOME=$HOME/.cache
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset AT_SPI_BUS_ADDRESS SESSION_MANAGER
    # In a process group of its own, which the services it starts (the accessibility bus, its
    # registry, dconf) join, so that they end with it.
    setsid dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>"$work/bus.log" &
    pids+=("-$!")
    poll 30 test -s "$work/bus" || fail "no D-Bus session bus: $(cat "$work/bus.log")"
    DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# Speech Dispatcher with a single output module, which appends each text it is given to $spoken
# instead of saying it; ALSA's null device stands in for a sound card.
start_speech() {
    mkdir -p "$work/speech/modules"
    cat >"$work/speech/speechd.conf" <<EOF
AddModule "file" "sd_generic" "file.conf"
DefaultModule file
AudioOutputMethod "alsa"
EOF
    cat >"$work/speech/modules/file.conf" <<EOF
GenericExecuteSynth "echo \\'\$DATA\\' >>$spoken"
AddVoice "en" "MALE1" "file"
GenericLanguage "en" "en" "utf-8"
EOF
    echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
    : >"$spoken"
    export SPEECHD_ADDRESS=unix_socket:$work/speech/socket
    speech-dispatcher --run-single --timeout 0 --config-dir "$work/speech" \
        --socket-path "$work/speech/socket" --log-dir "$work/speech" 2>"$work/speech.log" &
    pids+=($!)
    poll 30 test -S "$work/speech/socket" ||
        fail "Speech Dispatcher did not start: $(cat "$work/speech.log")"
}

# What Orca said since the last mark, on one line.
said() { tail -n +"$((mark + 1))" "$spoken" | tr '\n' ' '; }
heard() { [[ $(said) =~ $1 ]]; }
mark_speech() { mark=$(wc -l <"$spoken"); }
# Orca has said all it had to when nothing more comes for half a second.
quiet() {
    local before
    before=$(wc -c <"$spoken")
    sleep 0.5
    [ "$(wc -c <"$spoken")" = "$before" ]
}
expect_heard() { poll 15 heard "$1" || fail "expected to hear /$1/, heard: $(said)"; }

case_walk() {
    start_speech
    mark=0
    # Orca will not start while any other Orca of the same user runs on the machine (the user's
    # own screen reader, say), which it looks for with pgrep: in a session of its own, and asked
    # about that session only, it starts beside it and leaves it alone.
    mkdir "$work/bin"
    printf '#!/bin/sh\nexec %s --session 0 "$@"\n' "$(command -v pgrep)" >"$work/bin/pgrep"
    chmod +x "$work/bin/pgrep"
    PATH=$work/bin:$PATH setsid orca >"$work/orca.log" 2>&1 &
    pids+=($!)
    poll 60 heard 'Screen reader on' || fail "Orca did not start: $(cat "$work/orca.log")"
    start_keyfold
    # Entering the length box: its name, its role and its value; the label's text may follow. (At
    # start Orca says so too, but on a busy machine it may present the window only once a key is
    # pressed; back and forth gives the same every time.)
    poll 15 quiet || fail "Orca never fell silent"
    xdotool key Tab
    expect_heard 'Generate (push )?button'
    mark_speech
    xdotool key shift+Tab
    expect_heard 'Password length editable combo box\.? 4\.'

    # Qt from 6.8 announces; on older ones Orca has only the keys to say. Each step waits for its
    # announcement, as the next key would cut it short, as it does any speech.
    type_length 10
    xdotool key Return
    ! qt_announces || expect_heard "New password of 10 characters generated"
    mark_speech
    copy_until '^[A-Za-z0-9]{10}$'
    local password
    password=$(clipboard)
    ! qt_announces || expect_heard "Password copied to the clipboard"

    poll 15 quiet || fail "Orca never fell silent"
    mark_speech
    xdotool keydown Insert key KP_Enter keyup Insert # Orca's command to read the window's title
    expect_heard "$title"
    poll 15 quiet || fail "Orca never fell silent"
    [[ $(said) =~ ^(insert )?"$title"\ $ ]] || fail "the title command said: $(said)"

    ! grep -qF "$password" "$spoken" || fail "the password was spoken before the user asked for it"
    mark_speech
    xdotool key Tab Tab # to the password box, where Orca reads what it holds
    expect_heard "$password"
    echo "Orca said:"
    cat "$spoken"
}

# The reader of the tree listens before the program starts: Qt reads the listeners when it starts
# and then follows the registry's news of new ones, but misses those registered while it starts.
# The program reaches the X server through the reader's relay; Qt warns once of the copy that the
# server refuses, and no more: the program does not offer it again.
case_tree() {
    local announces=no reader
    qt_announces && announces=yes
    TITLE=$title ANNOUNCES=$announces LISTENING=$work/listening \
        /usr/bin/python3 "$(dirname "$0")/screen-reader-tree.py" &
    reader=$!
    pids+=("$reader")
    poll 30 test -s "$work/listening" || fail "the reader of the tree did not start listening"
    # No screen reader runs here: Qt is told to serve the accessibility bus regardless.
    start_keyfold QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 DISPLAY=":$(cat "$work/listening")"
    wait "$reader"
    local refused='QXcbClipboard::setMimeData: Cannot set X11 selection owner$'
    [ "$(grep -c "$refused" "$work/keyfold.log")" = 1 ] ||
        fail "Qt warned $(grep -c "$refused" "$work/keyfold.log") times of a refused copy, not once"
    sed -i "/$refused/d" "$work/keyfold.log"
}

start_session
start_desktop
"case_$case_name"
messages=$(program_messages "$work/keyfold.log")
[ -z "$messages" ] || fail "the program said: $messages"
echo "PASS ($case_name)"
