# Shared by the desktop test scripts, sourced after they set $case_name: the program's caption,
# application id and version; a private work folder and background processes, both cleaned up on
# any exit; failing; polling with a deadline; the program's own messages; a copy of the sources.
title='Orvik Password Generator v1.0.2'
app_id=org.keyfold.Keyfold
version=${KEYFOLD_VERSION:?set by ctest}
work=$(mktemp -d)
pids=()

cleanup() {
    local pid index watchdog
    # What is still running ten seconds from now is killed: a process that hangs on its way out
    # (Speech Dispatcher may, waiting for its output module) must not hold the test up.
    (
        sleep 10
        for pid in "${pids[@]}"; do kill -KILL -- "$pid" 2>/dev/null || true; done
    ) >/dev/null 2>&1 &
    watchdog=$!
    # Last started first, so that clients end before the servers they would say goodbye to (Orca
    # hangs on its way out once its buses are gone). A negative number is a process group.
    for ((index = ${#pids[@]} - 1; index >= 0; index--)); do
        pid=${pids[index]}
        kill -- "$pid" 2>/dev/null || true
        wait "${pid#-}" 2>/dev/null || true
        # The other members of a group are not this shell's children, to be waited for.
        [[ $pid != -* ]] || poll 10 gone "$pid" || true
    done
    kill "$watchdog" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# Whether process (or, negative, process group) PID has ended.
gone() { ! kill -0 -- "$1" 2>/dev/null; }

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# poll SECONDS COMMAND...: runs COMMAND until it succeeds, or fails after SECONDS.
poll() {
    local deadline=$((${EPOCHREALTIME/./} + $1 * 1000000))
    shift
    until "$@"; do
        [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# What the program wrote on stderr (in FILE), less what the toolkit prints there of its own accord
# that says nothing of the program: Qt 6.8's Wayland plugin on the keymap that the tests' virtual
# keyboard (wtype) offers, and on sway's configure event for the fixed-size window put to full
# screen, which leaves its size to the window; Qt's AT-SPI bridge when a screen reader is slow to
# take a key (Qt then delivers the key itself, as to any Qt program) and when its late answer
# comes, and Qt 6.8's on a kind of event Orca listens for that Qt does not send.
toolkit_notices=(
    -e '^qt\.qpa\.wayland: unknown keymap format: 0$'
    -e '^qt\.qpa\.wayland: Configure event with maximized or fullscreen state contains invalid '
    -e '^QSpiApplication::keyEventError +"org\.freedesktop\.DBus\.Error\.NoReply"'
    -e '^QSpiApplication::notifyKeyboardListenerCallback with no queued key called$'
    -e '^qt\.accessibility\.atspi: Subscription string not handled: '
)
program_messages() { grep -Ev "${toolkit_notices[@]}" "$1" || true; }

# The other of the two usual umasks (022, and 002 for new users of Debian 13): a second build made
# under it shows whether the builder's umask reaches what is built.
other_umask() { [ "$(umask)" = 0022 ] && echo 0002 || echo 0022; }

# copy_sources DIR: the project's files as a release tarball has them: no history, and each file
# dated at the last commit (as git archive dates them), with no SOURCE_DATE_EPOCH to go by.
copy_sources() {
    local source_dir date
    source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    date=$(git -C "$source_dir" log -1 --format=%ct) ||
        fail "a second build is made from a copy of the git checkout, and this is none"
    unset SOURCE_DATE_EPOCH
    mkdir "$1"
    (cd "$source_dir" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) |
        tar -xf - -C "$1"
    find "$1" -exec touch -h -d "@$date" {} +
}
