#!/usr/bin/env bash
# Runs every benchmark of a build tree, one after the other, headless; the
# list benchmarks also with a country's list of 100,000 cameras.
set -euo pipefail
build="${1:-build}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
status=0
run() {
    echo "== $(basename "$1") ${*:2}"
    "$@" || status=1
}
for bench in "$build"/bench/bench_*; do
    [ -x "$bench" ] || continue
    run "$bench"
done
for bench in bench_camlist_load bench_camlist_save; do
    [ -x "$build/bench/$bench" ] && run "$build/bench/$bench" 100000
done
exit $status
