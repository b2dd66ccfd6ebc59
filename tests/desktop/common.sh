# Shared by the desktop test scripts, sourced after they set $case_name: the program's caption and
# application id; a private work folder and background processes, both cleaned up on any exit;
# failing; polling with a deadline; a copy of the sources.
title='Orvik Password Generator v1.0.2'
app_id=org.keyfold.Keyfold
work=$(mktemp -d)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

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

# copy_sources DIR: the project's files, as a fresh clone has them (dated now, no history) but
# with SOURCE_DATE_EPOCH set to the last commit's date, as a build from a release's sources is.
copy_sources() {
    local source_dir
    source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
    mkdir "$1"
    (cd "$source_dir" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) |
        tar -xmf - -C "$1"
}
