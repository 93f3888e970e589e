#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# Soak run of the real program on a virtual X display; not part of CI.
#
#   tools/soak.sh [minutes]        drive conversations for this long (default 10)
#
# Builds the program if needed, copies its folder to a temporary one (a fresh str.dat, so the
# build's own files are never touched), starts it under Xvfb and keeps talking with xdotool:
# the "会話" button, then clicks on the speech, Escape for the noun box ("要求じゃ"). Every
# SOAK_SAMPLE seconds it samples the resident memory and CPU time; after the drive it leaves
# the program alone for SOAK_IDLE seconds and measures the idle CPU. Finally it closes the
# program with SIGTERM, as a desktop logout would, and shows the stored record.
#
# Environment: MYORUKA_SOAK_BUILD (build folder, default build/), SOAK_SAMPLE (10), SOAK_IDLE (60),
# SOAK_IDLE_TARGET (idle CPU limit in % of one core, default 1).
# Exit status: 0 when the program lived through it and idled below the limit; 1 when it died
# or the idle CPU was over the limit; 2 when it could not be started.
# Needs: cmake, ninja, Xvfb, xdotool (Debian: xvfb, xdotool).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
# A display of our own, which goes when the soak ends.
[ -n "${MYORUKA_SOAK_DISPLAY:-}" ] ||
    MYORUKA_SOAK_DISPLAY=yes exec bash "$top/tools/xvfb-run.sh" bash "$0" "$@"
minutes=${1:-10}
build=${MYORUKA_SOAK_BUILD:-$top/build}
sample_every=${SOAK_SAMPLE:-10}
idle_seconds=${SOAK_IDLE:-60}
idle_target=${SOAK_IDLE_TARGET:-1}
hz=$(getconf CLK_TCK)

# --- build and a private copy of the program folder -----------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target myoruka myoruka_data >/dev/null
work=$(mktemp -d /tmp/myoruka-soak.XXXXXX)
cp -r "$build/myoruka" "$work/app"
rm -f "$work/app/str.dat"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

pid=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# --- the program, greeting with its menu ----------------------------------------------------
win=
start_program() {
    "$work/app/myoruka" >>"$work/program.log" 2>&1 &
    pid=$!
    win=$(timeout 20 xdotool search --sync --onlyvisible --name '^ミョルカ$' | head -1) || true
    if [ -z "$win" ]; then
        echo "soak: the window did not appear; program log:" >&2
        cat "$work/program.log" >&2
        exit 2
    fi
    # Positions in the client area's 10 x 15 grid: the speech fills rows 10..15, the five
    # buttons lie on row 14, two units wide each, and the fifth (会話) is the last.
    eval "$(xdotool getwindowgeometry --shell "$win")"
    speech_at=("$((WIDTH / 2))" "$((HEIGHT * 12 / 15))")
    talk_at=("$((WIDTH * 9 / 10))" "$((HEIGHT * 29 / 30))")
    sleep 0.5
}
click_speech() { xdotool mousemove --window "$win" "${speech_at[@]}" click 1; }
click_talk() { xdotool mousemove --window "$win" "${talk_at[@]}" click 1; }

alive() { kill -0 "$pid" 2>/dev/null; }

# The headache ends the run on its second click; in the menu two clicks only flip the picture.
restarts=0
while :; do
    start_program
    click_speech
    sleep 0.3
    click_speech
    sleep 0.7
    alive && break
    wait "$pid" || true
    restarts=$((restarts + 1))
    if [ "$restarts" -ge 20 ]; then
        echo "soak: the program keeps ending at start-up" >&2
        exit 2
    fi
done

dialogs=0
dismiss_dialog() {
    local d
    d=$(xdotool search --onlyvisible --name '^要求じゃ$' 2>/dev/null | head -1) || true
    [ -z "$d" ] && return 0
    timeout 5 xdotool windowfocus --sync "$d" key Escape || true
    dialogs=$((dialogs + 1))
    sleep 0.1
}

# --- sampling -------------------------------------------------------------------------------
t0=$(date +%s)
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"; }
ticks() { sed 's/^.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'; }
last_t=$t0
last_ticks=$(ticks)
conversations=0
printf '%8s  %-5s %10s %9s %7s %7s\n' time phase rss_kB cpu_s cpu% convs
sample() {  # sample PHASE
    local now t k
    now=$(date +%s)
    k=$(ticks)
    t=$((now - last_t))
    [ "$t" -gt 0 ] || t=1
    rss_now=$(rss)
    printf '%7ss  %-5s %10s %9s %7s %7s\n' "$((now - t0))" "$1" "$rss_now" \
        "$(awk -v k="$k" -v hz="$hz" 'BEGIN { printf "%.2f", k / hz }')" \
        "$(awk -v d="$((k - last_ticks))" -v t="$t" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * d / hz / t }')" \
        "$conversations"
    last_t=$now
    last_ticks=$k
}
die_if_gone() {
    alive && return 0
    local rc=0
    wait "$pid" || rc=$?
    pid=
    echo "soak: FAILED: the program ended by itself (exit $rc) after $(($(date +%s) - t0)) s" >&2
    tail -20 "$work/program.log" >&2
    exit 1
}

# --- drive ----------------------------------------------------------------------------------
rss_first_minute=
drive_end=$((t0 + minutes * 60))
next_sample=$((t0 + sample_every))
while [ "$(date +%s)" -lt "$drive_end" ]; do
    click_talk
    conversations=$((conversations + 1))
    sleep 0.15
    dismiss_dialog
    for _ in 1 2 3; do
        click_speech
        sleep 0.1
        dismiss_dialog
    done
    die_if_gone
    if [ "$(date +%s)" -ge "$next_sample" ]; then
        sample drive
        next_sample=$((next_sample + sample_every))
        if [ -z "$rss_first_minute" ] && [ "$(($(date +%s) - t0))" -ge 60 ]; then
            rss_first_minute=$rss_now
        fi
    fi
done
[ "$last_t" -lt "$(date +%s)" ] && sample drive
[ -n "$rss_first_minute" ] || rss_first_minute=$(rss)

# --- idle -----------------------------------------------------------------------------------
idle_start=$(date +%s)
idle_ticks=$(ticks)
while [ "$(($(date +%s) - idle_start))" -lt "$idle_seconds" ]; do
    sleep "$(awk -v a="$sample_every" -v b="$((idle_seconds - ($(date +%s) - idle_start)))" \
        'BEGIN { print (a < b ? a : b) }')"
    die_if_gone
    sample idle
done
idle_cpu=$(awk -v d="$(($(ticks) - idle_ticks))" -v t="$(($(date +%s) - idle_start))" -v hz="$hz" \
    'BEGIN { printf "%.2f", 100 * d / hz / t }')
rss_end=$(rss)

# --- close as a logout would, and report ----------------------------------------------------
kill -TERM "$pid"
exit_code=0
wait "$pid" || exit_code=$?
pid=

growth=$((rss_end - rss_first_minute))
echo
echo "conversations started: $conversations   noun boxes dismissed: $dialogs   restarts for a headache: $restarts"
echo "RSS after the first minute: ${rss_first_minute} kB   at the end: ${rss_end} kB   growth: ${growth} kB" \
    "($(awk -v g="$growth" -v b="$rss_first_minute" 'BEGIN { printf "%+.1f", 100 * g / b }')%)"
echo "idle CPU over ${idle_seconds} s: ${idle_cpu}% of one core (target < ${idle_target}%)"
echo "closed with SIGTERM: exit ${exit_code}; str.dat: $(od -An -tu1 "$work/app/str.dat" 2>/dev/null | xargs)"

status=0
if awk -v c="$idle_cpu" -v t="$idle_target" 'BEGIN { exit !(c >= t) }'; then
    echo "soak: idle CPU over the target" >&2
    status=1
fi
[ "$exit_code" -eq 0 ] || status=1
exit $status
