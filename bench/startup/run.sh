#!/usr/bin/env bash
# Start-up: ミョルカ against a bare Qt Widgets window of the same size (bare_window.cpp), N starts
# of each, alternating, on a private Xvfb, timed from outside by first_frame.cpp: time to the
# first painted frame, processor time by then, and peak memory. The program runs in a throw-away
# copy of its folder, with the shipped word lists (FULL=1: five full ones), whose record is put
# back before every start, so all starts are alike. Target: at most 1.15x the bare window in
# each, with the shipped data; the exit status ignores it.
#   bash bench/startup/run.sh        (N=20 starts of each; BUILD_DIR as in run_benchmarks.sh;
#                                     PROGRAM=folder measures another build of the program)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$top/build-bench}
bin=$build/bench

if [ "${1:-}" != --on-display ]; then
    source "$top/tools/packages.sh"
    install_missing cmake ninja-build g++ pkg-config qt6-base-dev libxcb-damage0-dev xvfb \
        fonts-ipafont-gothic fonts-ipafont-mincho
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMYORUKA_BENCH=ON >/dev/null
    cmake --build "$build" --target myoruka myoruka_data bench_full_lists bench_startup_bare \
        bench_startup_first_frame
    exec bash "$top/tools/xvfb-run.sh" bash "$0" --on-display
fi

work=$(mktemp -d /tmp/myoruka-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb LANG=C.UTF-8
mkdir "$work/app"
program=${PROGRAM:-$build/myoruka}
cp "$program"/myoruka "$program"/[01].bmp "$program"/[0-4].dat "$work/app/"
if [ "${FULL:-0}" = 1 ]; then "$bin/bench_full_lists" "$work/app"; fi
measure() { "$bin/bench_startup_first_frame" "$@"; }
# Every start begins from the record a first start leaves. That start, and one of the bare
# window, warm the caches and are not counted.
size=$(measure "$work/app/myoruka" | sed -n 's/.*window=\([0-9]*\)x\([0-9]*\).*/\1 \2/p')
cp "$work/app/str.dat" "$work/str.dat"
measure "$bin/bench_startup_bare" $size >/dev/null
for _ in $(seq "${N:-20}"); do
    cp "$work/str.dat" "$work/app/str.dat"
    measure "$work/app/myoruka" >>"$work/myoruka" || true
    measure "$bin/bench_startup_bare" $size >>"$work/bare" || true
done

median() {
    sed -n "s/.*$1=\([^ ]*\).*/\1/p" "$work/$2" | sort -n |
        awk '{ v[NR] = $1 }
             END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
row() {  # WHAT KEY [UNIT]
    awk -v what="$1" -v unit="${3:-1}" -v bare="$(median "$2" bare)" \
        -v real="$(median "$2" myoruka)" 'BEGIN {
        printf "%-24s %9.1f %9.1f %6.2fx  <= 1.15x %s\n", what, bare / unit, real / unit,
            real / bare, real / bare <= 1.15 ? "met" : "MISSED" }'
}
echo "== start-up, window ${size/ /x}, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "   medians of $(wc -l <"$work/bare") bare and $(wc -l <"$work/myoruka") myoruka starts"
printf '%-24s %9s %9s %7s  %s\n' "" bare myoruka ratio target
row "time to first frame, ms" frame_ms
row "processor time, ms" cpu_ms
row "peak memory, MiB" maxrss_kb 1024
