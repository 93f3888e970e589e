#!/usr/bin/env bash
# Start-up benchmark: how long ミョルカ takes to its first painted frame, and how much memory it
# holds then, against a bare Qt Widgets window of the same size (bare_window.cpp). Both are
# started the same way on one private Xvfb and timed from outside by first_frame.cpp, which
# watches the X server for the first drawing into the new window, reads VmRSS/VmHWM, then sends
# SIGTERM. Starts alternate, N of each, in two settings: the shipped word lists, and five full
# 10001-line lists. The real program runs in a throw-away copy of its folder whose str.dat is
# put back before every start, so every start is alike and no build folder is touched.
#
#   bash bench/startup/run.sh            # N=20 starts of each, Release build in build-startup/
#   N=50 BUILD_DIR=/tmp/b bash bench/startup/run.sh
#
# Targets: time ≤ 1.3× the bare window with the shipped data, ≤ 1.5× with full lists; memory
# (VmHWM at the first frame) ≤ 1.3×. The exit status is 0 either way: this only measures.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$top/build-startup}
n=${N:-20}
tools=$build/bench/startup

source "$top/tools/packages.sh"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { sed -n "s/.*$1=\\([^ ]*\\).*/\\1/p"; }

# One measured start: first_frame's line, or the reason it failed on stderr.
measure() {
    "$tools/bench_startup_first_frame" --timeout 20 "$@"
}

# measure_setting NAME FOLDER TARGET: N alternating starts of the program in FOLDER and of the
# bare window, one line of medians and ratios.
measure_setting() {
    local name=$1 folder=$2 target=$3 out=$work/$1
    mkdir -p "$out"
    : >"$out/real" && : >"$out/bare"
    # One start of each to warm the caches, not counted; it also gives the real window's size.
    cp "$work/str.dat" "$folder/str.dat"
    local size
    read -r -a size < <(measure "$folder/myoruka" | field window | sed 's/+.*//; s/x/ /')
    measure "$tools/bench_startup_bare" "${size[@]}" --keep-open >/dev/null
    for _ in $(seq "$n"); do
        cp "$work/str.dat" "$folder/str.dat"
        measure "$folder/myoruka" >>"$out/real" || true
        measure "$tools/bench_startup_bare" "${size[@]}" --keep-open >>"$out/bare" || true
    done
    local m=()
    for key in frame_ms cpu_ms hwm_kb rss_kb; do
        m+=("$(field $key <"$out/real" | median)" "$(field $key <"$out/bare" | median)")
    done
    awk -v name="$name" -v target="$target" -v runs="$(wc -l <"$out/real")/$(wc -l <"$out/bare")" \
        -v rt="${m[0]}" -v bt="${m[1]}" -v rc="${m[2]}" -v bc="${m[3]}" \
        -v rh="${m[4]}" -v bh="${m[5]}" -v rr="${m[6]}" -v br="${m[7]}" 'BEGIN {
        printf "%-13s %6.1f %6.1f %5.2fx %-13s  %6.1f %6.1f %5.2fx  %6d %6d %5.2fx %-13s  %6d %6d %5.2fx  %s\n",
            name, rt, bt, rt / bt, "(<=" target (rt / bt <= target ? " ok)" : " MISSED)"),
            rc, bc, rc / bc, rh, bh, rh / bh, (rh / bh <= 1.3 ? "(<=1.3 ok)" : "(<=1.3 MISSED)"),
            rr, br, rr / br, runs
    }'
}

on_display() {
    work=$(mktemp -d /tmp/myoruka-startup.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb LANG=C.UTF-8
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset QT_DEBUG_PLUGINS QT_LOGGING_RULES

    # The shipped folder, and the same with five full lists.
    mkdir "$work/shipped" "$work/full"
    cp "$build/myoruka/myoruka" "$build/myoruka"/[0-4].dat "$build/myoruka"/[01].bmp "$work/shipped/"
    cp "$work/shipped"/* "$work/full/"
    "$tools/bench_startup_full_lists" "$work/full"
    # The record every start begins from: the one a first start leaves behind.
    rm -f "$work/shipped/str.dat"
    measure "$work/shipped/myoruka" >/dev/null
    cp "$work/shipped/str.dat" "$work/str.dat"

    echo "== $n starts of each, alternating, on $DISPLAY ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)); medians"
    echo "              time to first frame, ms            CPU time, ms           VmHWM at first frame, KiB            VmRSS, KiB"
    echo "setting         real   bare  ratio  target          real   bare  ratio    real   bare  ratio  target          real   bare  ratio  runs"
    measure_setting "shipped data" "$work/shipped" 1.3
    measure_setting "full lists" "$work/full" 1.5
    echo "CPU time: the programs' own, all threads; it moves less than wall time when other work shares the machine."
    if [ -n "${KEEP:-}" ]; then
        trap - EXIT
        echo "raw lines kept in $work"
    fi
}

if [ "${1:-}" = --on-display ]; then
    on_display
    exit 0
fi

install_missing cmake ninja-build g++ pkg-config qt6-base-dev libbenchmark-dev libxcb-damage0-dev \
    xvfb fonts-ipafont-gothic fonts-ipafont-mincho
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMYORUKA_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target myoruka myoruka_data bench_startup_bare \
    bench_startup_full_lists bench_startup_first_frame >"$build/startup-build.log" 2>&1; then
    tail -20 "$build/startup-build.log"
    echo "build failed (is add_subdirectory(startup) in bench/CMakeLists.txt?)" >&2
    exit 1
fi
exec bash "$top/tools/xvfb-run.sh" bash "$0" --on-display
