#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# Builds the libFuzzer target with clang (MYORUKA_FUZZ_BUILD, default build-fuzz) and runs it
# for [seconds] (default 20). New inputs go to <build>/fuzz/work/, crashes to <build>/fuzz/crashes/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=${MYORUKA_FUZZ_BUILD:-$top/build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DMYORUKA_FUZZ=ON \
        -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target fuzz_wordlist
# The target writes a file per input: a memory-backed folder spares the disk.
TMPDIR=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo /tmp )/myoruka-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
log=$build/fuzz/fuzz_wordlist.log
mkdir -p "$build/fuzz/work/wordlist" "$build/fuzz/crashes"
if ! "$build/fuzz/fuzz_wordlist" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/crashes/wordlist-" "$build/fuzz/work/wordlist" \
    "$top/fuzz/corpus/wordlist" >"$log" 2>&1; then
    echo "fuzz_wordlist: FAILED, log $log" >&2
    grep -E 'invariant broken|ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/    /' >&2 || true
    exit 1
fi
echo "fuzz_wordlist: ok, $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs"
