#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# A rebuild refreshes the word lists but never a 1.dat that has grown by taught nouns.
set -euo pipefail
mkwords=$1 sources=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$mkwords" "$sources" "$out"
first=$(cat "$out/1.dat" | md5sum)
"$mkwords" "$sources" "$out"
[ "$(md5sum < "$out/1.dat")" = "$first" ] || { echo "an unchanged 1.dat was rewritten"; exit 1; }

printf 'taught\r\n' >> "$out/1.dat"
printf 'x' >> "$out/0.dat"
"$mkwords" "$sources" "$out" >/dev/null
tail -c 8 "$out/1.dat" | grep -q taught || { echo "a taught noun was lost"; exit 1; }
if tail -c 1 "$out/0.dat" | grep -q x; then echo "0.dat was not refreshed"; exit 1; fi
[ ! -e "$out/str.dat" ] || { echo "the build must never write str.dat"; exit 1; }
echo "1 passed, 0 failed"
