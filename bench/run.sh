#!/usr/bin/env bash
# Start-up of Keyfold against a one-label Qt window on a private Xvfb, then the cost of a click.
# Usage: bench/run.sh BUILD_DIR [RUNS]
set -euo pipefail
build_dir=$1
runs=${2:-30}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

echo "== Start-up: exec to window mapped, to first paint; peak memory 300 ms later"
"$build_dir/bench/launchwatch" "$runs" 3 keyfold="$build_dir/keyfold" \
    baseline="$build_dir/bench/baseline"

echo "== One click on Generate, 10 characters, system random source"
QT_QPA_PLATFORM=offscreen "$build_dir/bench/bench_generate" 2>/dev/null | grep -A1 '^RESULT' | tail -1
