#!/usr/bin/env bash
# Makes the Wine prefix of a build directory ($1) once: Japanese locale,
# no Mono/Gecko prompts, Debian fonts standing in for the Windows faces the
# program asks for, Wine's Marlett (fonts-wine) for the caption buttons, and
# unmanaged windows (the test display has no window manager). With
# DAYGLASS_DPI set, the prefix of that DPI.
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh" "$build"
mkdir -p "$build"
exec 9>"$WINEPREFIX.lock"
flock 9
# A second drive letter, Y:, for a folder of the build directory: the tests
# reach one calendar.ini through two spellings of its path.
second_drive() {
  mkdir -p "$build/drive-y" "$WINEPREFIX/dosdevices"
  ln -sfn "$(cd "$build/drive-y" && pwd)" "$WINEPREFIX/dosdevices/y:"
}
if [ -f "$dayglass_prefix_ready" ]; then
  second_drive
  exit 0
fi
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wine regedit "$here/prefix.reg" >/dev/null 2>&1
if [ -n "${DAYGLASS_DPI:-}" ]; then
  dpi_reg="$WINEPREFIX/dpi.reg"
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' \
    "$DAYGLASS_DPI" >"$dpi_reg"
  wine regedit "$dpi_reg" >/dev/null 2>&1
fi
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
wineserver -w
second_drive
touch "$dayglass_prefix_ready"
