#!/usr/bin/env bash
# Makes the Wine prefix of a build directory ($1) once: Japanese locale,
# no Mono/Gecko prompts, Debian fonts standing in for the Windows faces the
# program asks for, Wine's Marlett for the caption buttons, and unmanaged
# windows (the test display has no window manager).
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh" "$build"
mkdir -p "$build"
exec 9>"$build/.wineprefix.lock"
flock 9
[ -f "$WINEPREFIX/.dayglass-ready-2" ] && exit 0
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wine regedit "$here/prefix.reg" >/dev/null 2>&1
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
wineserver -w
touch "$WINEPREFIX/.dayglass-ready-2"
