#!/usr/bin/env bash
# Runs every benchmark program of a build folder, then the shell benchmarks in bench/;
# a failing one is named and the others still run. Usage: run-benchmarks.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
bench=$(dirname "$0")/../bench
failed=()
# run NAME COMMAND...
run() {
    local name=$1
    shift
    echo "== $name"
    "$@" || failed+=("$name")
}
found=0
for b in "$build"/bench_*; do
    # Programs only: CMake's bench_*_autogen folders are executable too.
    [ -f "$b" ] && [ -x "$b" ] || continue
    found=1
    if [ "$(basename "$b")" = bench_window ]; then
        # The window's figures are taken on a real X server.
        if [ -n "${DISPLAY:-}" ]; then
            run bench_window env QT_QPA_PLATFORM=xcb "$b"
        elif command -v xvfb-run > /dev/null; then
            run bench_window xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$b"
        else
            echo "== bench_window: skipped (no X server and no xvfb-run)"
        fi
        continue
    fi
    run "$(basename "$b")" "$b"
done
[ $found -eq 1 ] || { echo "run-benchmarks: no benchmark programs in $build" >&2; exit 1; }
for s in "$bench"/bench_*.sh; do
    run "$(basename "$s")" "$s" "$build"
done
[ ${#failed[@]} -eq 0 ] || { echo "run-benchmarks: failed: ${failed[*]}" >&2; exit 1; }
