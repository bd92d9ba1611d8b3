#!/bin/sh
# Times `cratewise add-session` over a generated tree of tagged MP3 files, warm cache.
# Usage: bench/bench_add_session.sh [BUILD_DIR] [FILES] [RUNS]
# The tree is kept in $CRATEWISE_BENCH_DIR (default /tmp/cratewise-bench-sessions).
# CRATEWISE_BENCH_SETTINGS_DIR puts the settings file elsewhere (e.g. /dev/shm) to show
# what the crash marker's two settings writes per file cost on the disk.
set -eu
build=${1:-build}
files=${2:-5000}
runs=${3:-3}
tree=${CRATEWISE_BENCH_DIR:-/tmp/cratewise-bench-sessions}

"$build/gen_song_tree" "$tree" "$files"
# Warm cache: every file read once before the timed runs.
find "$tree" -name '*.mp3' -exec cat {} + > /dev/null

work=$(mktemp -d)
settings_dir=${CRATEWISE_BENCH_SETTINGS_DIR:-$work}
settings=$(mktemp -p "$settings_dir" cratewise-bench-XXXXXX.ini)
trap 'rm -rf "$work" "$settings" "$settings".*' EXIT INT TERM
i=1
while [ "$i" -le "$runs" ]; do
    rm -rf "$work/data" && : > "$settings" && mkdir -p "$work/data"
    CRATEWISE_CONFIG="$settings" /usr/bin/time -f "%e %M" -o "$work/time" \
        "$build/cratewise" --data-dir "$work/data" add-session "Bench $i" "$tree" \
        > "$work/out" 2> "$work/err" || { cat "$work/err" >&2; exit 1; }
    stored=$(CRATEWISE_CONFIG="$settings" "$build/cratewise" --data-dir "$work/data" \
        songs "Bench $i" | wc -l)
    awk -v run="$i" -v stored="$stored" \
        '{ printf "run %d: %d songs in %.2f s = %.0f files/s, peak memory %d KiB\n",
           run, stored, $1, stored / ($1 > 0 ? $1 : 0.01), $2 }' "$work/time"
    i=$((i + 1))
done
