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
launch() {  # launch SECONDS [ARGS]: ended after SECONDS as a logout would end it
    HOME=$work/home XDG_DATA_HOME='' QT_QPA_PLATFORM=offscreen timeout -s TERM "$1" \
        "$work/root/usr/games/myoruka" "${@:2}" 2>/dev/null || true
}
own=$work/home/.local/share/myoruka
version=$(launch 10 --version)
[[ $version == "myoruka "* ]] && [ ! -e "$own" ] ||
    { echo "--version through the launcher printed '$version' or made a copy"; exit 1; }
# A disk too full for the program: one line and exit 2, and no half-made copy stays.
full=$( (ulimit -f 100 && HOME=$work/home XDG_DATA_HOME='' "$work/root/usr/games/myoruka") 2>&1) &&
    code=0 || code=$?
[ $code -eq 2 ] && [ "$(wc -l <<<"$full")" -eq 1 ] && [[ $full == "myoruka: cannot copy "* ]] &&
    [ -z "$(find "$own" -name '*.new.*')" ] ||
    { echo "a failed copy: exit $code, '$full', or a part left in $own"; exit 1; }
touch -d '1 hour ago' "$own/2.dat.new.1"  # what a start killed during its copy leaves
launch 3
rm "$own/0.bmp"  # a copy that lost a shipped file gets it back
launch 3
[ -f "$own/0.bmp" ] && [ ! -e "$own/2.dat.new.1" ] &&
    [ "$(head -c 1 "$own/str.dat" | od -An -tu1)" -eq 2 ] ||
    { echo "the private copy in $own was not made, kept, mended or cleared"; exit 1; }
echo "lintian clean; the launcher made, kept and mended the private copy"
