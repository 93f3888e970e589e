#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# Runs a command on a fresh virtual X display and stops the display afterwards.
# Debian's xvfb-run needs xauth and a fixed wait; this finds a free display by itself.
set -euo pipefail
size=${XVFB_SIZE:-1024x768x24}
for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
done
DISPLAY=":$n" "$@"
