#!/usr/bin/env bash
# Takes docs/settings-dialog.png: the settings dialog as it opens over the
# calendar, inside Wine's virtual desktop (tall enough for the whole dialog)
# so that its frame shows. The capture itself is a disabled end-to-end test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAYGLASS_BUILD_DIR:-$root/build/cross}
case $build in /*) ;; *) build=$root/$build ;; esac
export DAYGLASS_BUILD_DIR=$build
bash "$root/scripts/build.sh"
bash "$root/tests/support/setup_wine_prefix.sh" "$build"
. "$root/tests/support/wine_env.sh" "$build"
. "$root/tests/support/xvfb.sh"
shots=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$shots"
}
trap cleanup EXIT
# The caption buttons are Marlett glyphs. Wine's copy of the font is not in
# the prefix, and without it they show as letters.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  wineserver -k 2>/dev/null || true # the font list is cached per server
fi

DAYGLASS_EXE="$build/dayglass.exe" DAYGLASS_SHOTS="$shots" \
  wine explorer /desktop=dayglass-shots,1024x768 "$build/tests/settings_dialog_e2e_tests.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='SettingsDialogE2e.DISABLED_CaptureForDocs'
wineserver -w
[ -s "$shots/settings-dialog.bmp" ] || { echo "no picture of the settings dialog" >&2; exit 1; }
# -strip: no time stamps, so an unchanged dialog gives an unchanged file.
convert "$shots/settings-dialog.bmp" -strip "$root/docs/settings-dialog.png"
echo "docs/settings-dialog.png"
