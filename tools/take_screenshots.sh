#!/usr/bin/env bash
# Takes the calendar pictures of the documentation: docs/calendar-default.png
# (a first start, this month), docs/calendar-march-2026.png (holidays and
# schedules), docs/calendar-start-monday.png, docs/calendar-no-out-month.png
# and docs/popup.png (a day's popup over the calendar). They are taken inside
# Wine's virtual desktop, so that the frames show, by a disabled end-to-end
# test. Then every tools/screenshot_*.sh runs too, for the other windows'
# pictures, unless --calendar-only is given.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAYGLASS_BUILD_DIR:-$root/build/cross}
case $build in /*) ;; *) build=$root/$build ;; esac
export DAYGLASS_BUILD_DIR=$build
cmake --preset cross -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target dayglass calendar_e2e_tests
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
  wine explorer /desktop=dayglass-shots,1024x768 "$build/tests/calendar_e2e_tests.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='CalendarPictures.DISABLED_CaptureForDocs'
wineserver -w
for name in calendar-default calendar-march-2026 calendar-start-monday calendar-no-out-month popup; do
  [ -s "$shots/$name.bmp" ] || { echo "no picture of $name" >&2; exit 1; }
  # -strip: no time stamps, so an unchanged window gives an unchanged file.
  convert "$shots/$name.bmp" -strip "$root/docs/$name.png"
  echo "docs/$name.png"
done

# The other windows' pictures, each script with its own desktop.
[ "${1:-}" = "--calendar-only" ] && exit 0
cleanup
trap - EXIT
for script in "$root"/tools/screenshot_*.sh; do
  [ -e "$script" ] || continue
  bash "$script"
done
