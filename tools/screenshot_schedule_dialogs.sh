#!/usr/bin/env bash
# Takes docs/schedule-list.png and docs/schedule-edit.png: the schedule list
# and edit dialogs with sample schedules, inside Wine's virtual desktop so
# that their frames show. The capture itself is a disabled end-to-end test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAYGLASS_BUILD_DIR:-$root/build/cross}
case $build in /*) ;; *) build=$root/$build ;; esac
export DAYGLASS_BUILD_DIR=$build
bash "$root/scripts/build.sh"
bash "$root/tests/support/setup_wine_prefix.sh" "$build"
. "$root/tests/support/wine_env.sh" "$build"
# A prefix of its own, a copy of the test prefix plus Wine's Marlett, which
# draws the caption buttons (without it the close box shows a letter).
shots_prefix=$build/wineprefix-shots
if [ ! -f "$shots_prefix/.dayglass-ready" ]; then
  rm -rf "$shots_prefix"
  cp -a "$WINEPREFIX" "$shots_prefix"
  cp /usr/share/wine/fonts/marlett.ttf "$shots_prefix/drive_c/windows/Fonts/"
fi
export WINEPREFIX=$shots_prefix
. "$root/tests/support/xvfb.sh"
shots=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$shots"
}
trap cleanup EXIT

DAYGLASS_EXE="$build/dayglass.exe" DAYGLASS_SHOTS="$shots" \
  wine explorer /desktop=dayglass-shots,1024x768 "$build/tests/schedules_e2e_tests.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='ScheduleMode.DISABLED_CaptureForDocs'
wineserver -w
for name in schedule-list schedule-edit; do
  [ -s "$shots/$name.bmp" ] || { echo "no picture of $name" >&2; exit 1; }
  # -strip: no time stamps, so an unchanged dialog gives an unchanged file.
  convert "$shots/$name.bmp" -strip "$root/docs/$name.png"
  echo "docs/$name.png"
done
