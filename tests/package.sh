#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it: lintian finds no error and no warning, and the
# launcher in /usr/games of the unpacked tree gives the user a private copy and starts it.
# usage: package.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in lintian dpkg-deb; do
    command -v $tool >/dev/null || { echo "SKIP: not installed: $tool"; exit 77; }
done
work=$(mktemp -d /tmp/myoruka-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/myoruka_*.deb)
# Every tag shown, informational and pedantic too; errors and warnings fail.
lintian --info --pedantic "$deb" 2>/dev/null | tee "$work/lintian.log"
if grep -q '^[EW]: ' "$work/lintian.log"; then exit 1; fi

dpkg-deb -x "$deb" "$work/root"
version=$(HOME=$work/home XDG_DATA_HOME='' "$work/root/usr/games/myoruka" --version)
own=$work/home/.local/share/myoruka
[[ $version == "myoruka "* ]] || { echo "--version through the launcher printed: $version"; exit 1; }
[ -x "$own/myoruka" ] && [ -f "$own/1.dat" ] || { echo "no private copy in $own"; exit 1; }
echo "lintian clean; the launcher made the private copy"
