#!/bin/sh
# Builds the benchmarks (Release) and runs them, then repeats the headline figures.
#   bench/run_benchmarks.sh [bench_chant options, e.g. --runs 20 --screen 1366x768]
# BUILD_DIR overrides the build folder (default: build-bench beside bench/).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${BUILD_DIR:-$source_dir/build-bench}

cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMYORUKA_BENCH=ON >/dev/null
cmake --build "$build_dir" --target bench_wordlists bench_chant

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Timings on a busy machine mislead; say how busy it was.
echo "== load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"

echo "== word lists: five full lists, CP932 CR LF"
"$build_dir/bench/bench_wordlists" | tee -a "$log"

echo "== exorcism chant (offscreen window)"
# The chant bench chooses the offscreen platform and a desktop-sized screen itself.
env -u QT_QPA_PLATFORM "$build_dir/bench/bench_chant" "$build_dir/myoruka" "$@" | tee -a "$log"

echo
echo "== summary"
grep -E '_median' "$log" | awk '{print "word lists, median of 10:", $2, $3, "(target < 10 ms)"}'
grep -E '^(Cold|Warm),|median total \(|processor time|mean tick period|tick cost|target:' "$log"
