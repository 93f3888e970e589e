#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang (MYORUKA_FUZZ_BUILD, default build-fuzz) and runs each
# for [seconds] (default 20). New inputs go to <build>/fuzz/work/, crashes to <build>/fuzz/crashes/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=${MYORUKA_FUZZ_BUILD:-$top/build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DMYORUKA_FUZZ=ON \
        -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target fuzz_wordlist fuzz_record
# The targets write a file per input: a memory-backed folder spares the disk.
TMPDIR=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo /tmp )/myoruka-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
status=0
for name in wordlist record; do
    log=$build/fuzz/fuzz_$name.log
    mkdir -p "$build/fuzz/work/$name" "$build/fuzz/crashes"
    if "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/crashes/$name-" "$build/fuzz/work/$name" \
        "$top/fuzz/corpus/$name" >"$log" 2>&1; then
        echo "fuzz_$name: ok, $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs"
    else
        echo "fuzz_$name: FAILED, log $log" >&2
        grep -E 'invariant broken|ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/    /' >&2 || true
        status=1
    fi
done
exit $status
