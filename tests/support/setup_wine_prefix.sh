#!/usr/bin/env bash
# Makes the Wine prefix of a build directory ($1) once: Japanese locale,
# no Mono/Gecko prompts, and Debian fonts standing in for the Windows faces
# the program asks for.
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh" "$build"
mkdir -p "$build"
exec 9>"$build/.wineprefix.lock"
flock 9
[ -f "$WINEPREFIX/.dayglass-ready" ] && exit 0
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wine regedit "$here/fonts.reg" >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.dayglass-ready"
