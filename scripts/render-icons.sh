#!/usr/bin/env bash
# Renders the launcher icons into OUT_DIR as SIZE.png: the two smallest sizes are the window's own
# pixel images, every other size is drawn from the scalable key. Output does not depend on when or
# where it runs.
# Usage: render-icons.sh OUT_DIR SIZE...
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out_dir=$1
shift
mkdir -p "$out_dir"
for size in "$@"; do
    case $size in
        16 | 32)
            convert "$source_dir/window/icons/key-$size.xpm" -strip \
                -define png:exclude-chunks=date,time "PNG32:$out_dir/$size.png"
            ;;
        *)
            rsvg-convert --width "$size" --height "$size" \
                "$source_dir/app/icons/org.keyfold.Keyfold.svg" -o "$out_dir/$size.png"
            ;;
    esac
done
