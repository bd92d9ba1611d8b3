#!/usr/bin/env bash
# Runs every benchmark program of a build folder.
set -euo pipefail
build=${1:-build}
for b in "$build"/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b"
done
