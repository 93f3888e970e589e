#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# A rebuild refreshes the word lists, also a 1.dat whose source changed, but never a 1.dat that
# has grown by taught nouns.
set -euo pipefail
mkwords=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
sources=$out/sources
mkdir "$sources" && cp "$2"/*.txt "$sources"

"$mkwords" "$sources" "$out"
for i in 0 1 2 3 4; do [ -s "$out/$i.dat" ] || { echo "$i.dat was not made"; exit 1; }; done
first=$(md5sum < "$out/1.dat")
"$mkwords" "$sources" "$out"
[ "$(md5sum < "$out/1.dat")" = "$first" ] || { echo "an unchanged 1.dat was rewritten"; exit 1; }

printf 'changed\n' >> "$sources/1.txt"
"$mkwords" "$sources" "$out" >/dev/null
tail -c 9 "$out/1.dat" | grep -q changed || { echo "a 1.dat nobody taught kept its old source"; exit 1; }

printf 'taught\r\n' >> "$out/1.dat"
printf 'x' >> "$out/0.dat"
"$mkwords" "$sources" "$out" >/dev/null
tail -c 8 "$out/1.dat" | grep -q taught || { echo "a taught noun was lost"; exit 1; }
if tail -c 1 "$out/0.dat" | grep -q x; then echo "0.dat was not refreshed"; exit 1; fi
[ ! -e "$out/str.dat" ] || { echo "the build must never write str.dat"; exit 1; }
echo "1 passed, 0 failed"
