#!/usr/bin/env bash
# Runs every benchmark program of a build folder, then the shell benchmarks in bench/;
# a failing one is named and the others still run. Usage: run-benchmarks.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
bench=$(dirname "$0")/../bench
failed=()
run() {
    echo "== $(basename "$1")"
    "$@" || failed+=("$(basename "$1")")
}
found=0
for b in "$build"/bench_*; do
    # Programs only: CMake's bench_*_autogen folders are executable too.
    [ -f "$b" ] && [ -x "$b" ] || continue
    found=1
    run "$b"
done
[ $found -eq 1 ] || { echo "run-benchmarks: no benchmark programs in $build" >&2; exit 1; }
for s in "$bench"/bench_*.sh; do
    run "$s" "$build"
done
[ ${#failed[@]} -eq 0 ] || { echo "run-benchmarks: failed: ${failed[*]}" >&2; exit 1; }
