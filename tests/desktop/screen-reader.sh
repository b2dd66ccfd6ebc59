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
case_tree() {
    local announces=no reader
    qt_announces && announces=yes
    TITLE=$title ANNOUNCES=$announces LISTENING=$work/listening /usr/bin/python3 - <<'EOF' &
import os, re, subprocess, sys, time
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib

title = os.environ["TITLE"]
label1 = ("Select from the dropdown list how long you want your password to be. "
          "It will be generated from alphanumeric characters only.")
announced = []


def fail(message):
    sys.exit(f"FAIL (tree): {message}")


def poll(seconds, condition):
    """Dispatches AT-SPI events until condition() holds; False after the deadline."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while True:
        while context.pending():
            context.iteration(False)
        if condition():
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)


# The program on the accessibility bus, once its window is there.
def keyfold():
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app and app.get_name() == "Keyfold" and app.get_child_count() > 0:
            return app
    return None


# Each object of the window as (role, name, states, text), less the length box's list, which Qt
# builds only when it is asked for.
shown_states = [Atspi.StateType.ENABLED, Atspi.StateType.FOCUSABLE, Atspi.StateType.FOCUSED,
                Atspi.StateType.EDITABLE, Atspi.StateType.CHECKED]


def describe(accessible, objects):
    role = accessible.get_role()
    if role == Atspi.Role.LIST:
        return objects
    states = accessible.get_state_set()
    text = "Text" in accessible.get_interfaces()
    objects.append((role, accessible.get_name(),
                    " ".join(state.value_nick for state in shown_states if states.contains(state)),
                    Atspi.Text.get_text(accessible, 0, -1) if text else ""))
    for index in range(accessible.get_child_count()):
        describe(accessible.get_child_at_index(index), objects)
    return objects


# expected: (role, name, states, pattern of the text) for each object, in the tree's order.
def compare(when, expected):
    objects = []

    def matches():
        objects[:] = describe(window, [])
        return len(objects) == len(expected) and all(
            found[:3] == wanted[:3] and re.fullmatch(wanted[3], found[3])
            for found, wanted in zip(objects, expected))

    def show(objects):
        return "".join(f"\n  {role.value_nick} | {name} | {states} | {text}"
                       for role, name, states, text in objects)

    # Events may still be arriving: the tree is read again until it matches or time runs out.
    if not poll(15, matches):
        fail(f"{when}, the tree reads{show(objects)}\nexpected{show(expected)}")


def listen(event):
    announced.append((event.any_data, event.detail1))


def accessibility_bus():
    session = Gio.bus_get_sync(Gio.BusType.SESSION)
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                None, None, 0, 5000).unpack()[0]
    flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
             Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    return Gio.DBusConnection.new_for_address_sync(address, flags)


def listening(bus):
    events = bus.call_sync("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                           "org.a11y.atspi.Registry", "GetRegisteredEvents",
                           None, None, 0, 5000).unpack()[0]
    return any(event == "Object:Announcement:" for _, event in events)


listener = Atspi.EventListener.new(listen)
listener.register("object:announcement")
bus = accessibility_bus()
if not poll(30, lambda: listening(bus)):
    fail("the registry does not list the listener")
open(os.environ["LISTENING"], "w").close()
if not poll(30, lambda: keyfold() is not None):
    fail("Keyfold is not on the accessibility bus")
app = keyfold()
window = app.get_child_at_index(0)
before = [
    (Atspi.Role.DIALOG, title, "enabled", ""),
    (Atspi.Role.PANEL, "", "enabled", ""),
    (Atspi.Role.LABEL, label1, "enabled", ""),
    (Atspi.Role.COMBO_BOX, "Password length", "enabled focusable focused editable", ""),
    (Atspi.Role.TEXT, "", "enabled focusable focused editable", "4"),
    (Atspi.Role.TEXT, "Password", "enabled focusable editable", "Password generated here"),
    (Atspi.Role.PUSH_BUTTON, "Generate", "enabled focusable", ""),
    (Atspi.Role.PUSH_BUTTON, "Copy password to clipboard", "focusable", ""),
    (Atspi.Role.CHECK_BOX, "Include Extended Characters (length of 5 or more)", "focusable", ""),
    (Atspi.Role.LABEL, "Copyright © 2026 The Keyfold developers", "enabled", ""),
    (Atspi.Role.LABEL, "Made with the Qt toolkit, with thanks to its community", "enabled", ""),
]
compare("at start", before)

subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+a"], check=True)
subprocess.run(["xdotool", "type", "--delay", "20", "8"], check=True)
subprocess.run(["xdotool", "key", "Return"], check=True)
after = before[:]
after[4] = (Atspi.Role.TEXT, "", "enabled focusable focused editable", "8")
after[5] = (Atspi.Role.TEXT, "Password", "enabled focusable editable", "[A-Za-z0-9]{8}")
after[7] = (Atspi.Role.PUSH_BUTTON, "Copy password to clipboard", "enabled focusable", "")
after[8] = after[8][:2] + ("enabled focusable", "")
compare("after Generate", after)
subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+c"], check=True)

# Politely (ATSPI_LIVE_POLITE), the length and never the password.
version = app.get_toolkit_version()
if os.environ["ANNOUNCES"] == "yes":
    expected = [("New password of 8 characters generated", 1),
                ("Password copied to the clipboard", 1)]
    poll(15, lambda: len(announced) >= len(expected))
    if announced != expected:
        fail(f"announced {announced}, expected {expected}")
    print(f"Qt {version}: announced {announced}")
else:
    print(f"Qt {version} has no announcements")
EOF
    reader=$!
    pids+=("$reader")
    poll 30 test -e "$work/listening" || fail "the reader of the tree did not start listening"
    # No screen reader runs here: Qt is told to serve the accessibility bus regardless.
    start_keyfold QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    wait "$reader"
}

start_session
start_desktop
"case_$case_name"
messages=$(program_messages "$work/keyfold.log")
[ -z "$messages" ] || fail "the program said: $messages"
echo "PASS ($case_name)"
