#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# The command line, with no display at all: --help and --version in the user's language, the
# man page naming every option --help names, and one line and exit code 64 for a wrong option.
# usage: command_line.sh PROGRAM MAN_PAGE_SOURCE
set -uo pipefail
program=$1 man=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# run LANG LC_ALL ARGS...: sets out, err and code; only the locale variables given are set.
run() {
    local lang=$1 all=$2
    shift 2
    out=$(env -i PATH="$PATH" ${lang:+LANG=$lang} ${all:+LC_ALL=$all} "$program" "$@" \
          2>/tmp/myoruka-cli.$$)
    code=$?
    err=$(cat /tmp/myoruka-cli.$$)
    rm -f /tmp/myoruka-cli.$$
}

section=$(awk '$1 == ".TH" {print $3}' "$man")
run C.UTF-8 '' --help
[ $code -eq 0 ] && [[ $out == "Usage: myoruka"* ]] && [ -z "$err" ] &&
    [[ $out == *"man $section myoruka"* ]] ||
    fail "--help: exit $code, stdout '${out:0:40}', stderr '$err', or no 'man $section myoruka'"
# The man page, without roff marks, quotes and spaces, names each option line of --help.
page=$(sed 's/\\f[BIRP]//g; s/\\-/-/g; s/[" ]//g' "$man")
options=$(grep -oE '^  -[a-z], --[a-z]+' <<<"$out" | tr -d ' ')
[ -n "$options" ] || fail "--help names no options"
for option in $options; do
    grep -qxF -- "${option}" <<<"${page//.BR/}" || fail "the man page lacks $option"
done

run ja_JP.UTF-8 '' -h
[[ $out == "使い方: myoruka"* ]] && [[ $out == *"man $section myoruka"* ]] ||
    fail "-h under LANG=ja_JP.UTF-8 printed '${out:0:40}'"
run ja_JP.UTF-8 C --version  # LC_ALL outranks LANG
[ $code -eq 0 ] && [[ $out == "myoruka "[0-9]* ]] && [[ $out == *"MIT License"* ]] ||
    fail "--version under LC_ALL=C: exit $code, '$out'"
run '' ja_JP.UTF-8 -v
[[ $out == *"MIT ライセンス"* ]] || fail "-v under LC_ALL=ja_JP.UTF-8 printed '$out'"
out=$(env -i PATH="$PATH" LANG=ja_JP.UTF-8 LC_MESSAGES=C "$program" --help)  # outranks LANG
[[ $out == "Usage: myoruka"* ]] || fail "--help under LC_MESSAGES=C printed '${out:0:40}'"
out=$(env -i PATH="$PATH" LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8 "$program" -h)  # empty: unset
[[ $out == "使い方: myoruka"* ]] || fail "-h under LC_ALL='' LANG=ja_JP.UTF-8 printed '${out:0:40}'"
out=$(env -i PATH="$PATH" "$program" -h)
[[ $out == "Usage: myoruka"* ]] || fail "-h with no locale set printed '${out:0:40}'"
# Qt's own options, as its documentation lists them, are no wrong options (a session manager
# restarts the program with -session, for one).
for option in '-style Fusion' '-stylesheet a.qss' '-platform xcb' '-platformtheme gtk3' \
    '-qwindowgeometry 9x9' '-qwindowtitle t' '-session 1234' '-display :9' '-geometry 9x9' \
    -reverse -widgetcount; do
    # shellcheck disable=SC2086  # an option and its value
    run C.UTF-8 '' $option --version
    [ $code -eq 0 ] || fail "$option with --version: exit $code, '$err'"
done

for wrong in --frobnicate -x stray --ねこ; do
    run C.UTF-8 '' "$wrong"
    [ $code -eq 64 ] && [ -z "$out" ] && [ "$(wc -l <<<"$err")" -eq 1 ] &&
        [[ $err == "myoruka: "*"$wrong"* ]] || fail "$wrong: exit $code, stderr '$err'"
done
# No display at all: one line saying so and exit code 1, not Qt's page of advice and abort().
run C.UTF-8 ''
[ $code -eq 1 ] && [ "$(wc -l <<<"$err")" -eq 1 ] && [[ $err == "myoruka: "*window*display* ]] ||
    fail "no display: exit $code, stderr '$err'"
exit $failed
