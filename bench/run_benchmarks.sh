#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench/ or BUILD_DIR) and runs the word-list and chant
# benchmarks, then repeats their verdicts. The start-up benchmark is bench/startup/run.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-bench}

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMYORUKA_BENCH=ON >/dev/null
cmake --build "$build" --target bench_full_lists bench_wordlists bench_chant

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Timings on a busy machine mislead; say how busy it was.
echo "== load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"
echo "== word lists: five full lists"
"$build/bench/bench_full_lists" "$work"
"$build/bench/bench_wordlists" "$work" | tee "$work/log"
echo "== exorcism chant, offscreen window"
"$build/bench/bench_chant" "$build/myoruka" | tee -a "$work/log"
echo "== summary"
grep target "$work/log"
