#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# One entry point for a fresh Debian 12 machine: installs what is missing, builds, then
# either starts the program (run) or runs every test (test). Safe to repeat; quick the
# second time, since it installs nothing new and the build is incremental.
set -euo pipefail

cd "$(dirname "$0")/.."
top=$PWD
build=$top/build
what=${1:-run}

run_packages=(cmake ninja-build g++ qt6-base-dev qt6-wayland fonts-ipafont-gothic fonts-ipafont-mincho)
headless_packages=(xvfb imagemagick)
test_packages=(xvfb xdotool x11-utils imagemagick python3 clang libclang-rt-14-dev
               orca speech-dispatcher at-spi2-core python3-pyatspi dbus lintian)

source "$top/tools/packages.sh"

build_in() {  # build_in DIR [cmake options...]
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$top" -B "$dir" -G Ninja "$@" >/dev/null
    fi
    cmake --build "$dir"
}

has_display() { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }

# A private runtime folder keeps Qt quiet where no desktop session made one.
ensure_runtime_dir() {
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
        XDG_RUNTIME_DIR=$(mktemp -d /tmp/myoruka-runtime.XXXXXX)
        export XDG_RUNTIME_DIR
        trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
    fi
}

case "$what" in
run)
    install_missing "${run_packages[@]}"
    has_display || install_missing "${headless_packages[@]}"
    build_in "$build"
    if has_display; then
        exec "$build/myoruka/myoruka"
    fi
    echo "== no display here: starting ミョルカ on a virtual X display for a few seconds"
    ensure_runtime_dir
    shot=$build/screenshot.png
    bash "$top/tools/xvfb-run.sh" bash -c '
        "$0" & pid=$!
        sleep 4
        import -window root "$1"
        kill -TERM $pid; wait $pid' "$build/myoruka/myoruka" "$shot"
    echo "== screenshot: $shot"
    ;;
test)
    install_missing "${run_packages[@]}" "${test_packages[@]}"
    ensure_runtime_dir
    build_in "$build"
    (cd "$build" && ctest --output-on-failure -j2)

    echo "== the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer"
    build_in "$top/build-asan" -DMYORUKA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    (cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j2 -E '^e2e_')

    echo "== fuzzing the word-list reader briefly"
    bash "$top/fuzz/run.sh" "${MYORUKA_FUZZ_SECONDS:-15}"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 64
    ;;
esac
