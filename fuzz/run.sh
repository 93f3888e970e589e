#!/usr/bin/env bash
# Builds the libFuzzer targets in their own clang build folder and runs each one for a while.
#
#   fuzz/run.sh [seconds]      seconds per target, default 20
#
# MYORUKA_FUZZ_BUILD names the build folder (default: build-fuzz beside the sources).
# New inputs found go to <build>/fuzz/work/<target>/, crashes to <build>/fuzz/crashes/; the seed
# corpus in fuzz/corpus/ is only read. Exits non-zero when any target crashes or fails a check.
# Needs clang and its sanitizer runtimes (Debian: clang, libclang-rt-14-dev).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
seconds=${1:-20}
build=${MYORUKA_FUZZ_BUILD:-$top/build-fuzz}
targets=(fuzz_wordlist fuzz_record)

if ! grep -q 'add_subdirectory(fuzz)' "$top/CMakeLists.txt"; then
    echo "fuzz/run.sh: $top/CMakeLists.txt does not add the fuzz folder (MYORUKA_FUZZ)" >&2
    exit 2
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DMYORUKA_FUZZ=ON \
        -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target "${targets[@]}"

# The targets write a file per input; on a memory file system that costs no disk flushes.
# A private folder, removed afterwards, also takes what a crashed target leaves behind.
tmp_parent=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then tmp_parent=/dev/shm; fi
TMPDIR=$(mktemp -d "$tmp_parent/myoruka-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

status=0
printf '\n%-14s %10s %8s %8s %s\n' target runs exec/s seconds result
for t in "${targets[@]}"; do
    name=${t#fuzz_}
    work=$build/fuzz/work/$name
    crashes=$build/fuzz/crashes
    log=$build/fuzz/$t.log
    mkdir -p "$work" "$crashes"
    rc=0
    "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$crashes/$name-" "$work" "$here/corpus/$name" >"$log" 2>&1 || rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    took=$(sed -n 's/.*Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    if [ "$rc" -eq 0 ]; then
        result=ok
    else
        result="FAILED (exit $rc, log $log)"
        status=1
    fi
    printf '%-14s %10s %8s %8s %s\n' "$t" "${runs:-?}" "${rate:-?}" "${took:-?}" "$result"
    if [ "$rc" -ne 0 ]; then
        grep -E 'invariant broken|ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/    /' >&2 || true
    fi
done
exit $status
