# Sourced by the screenshot scripts: builds the given targets, prepares the
# test prefix (it has Marlett for the caption buttons) and a private Xvfb, and
# offers take_pictures, which runs a disabled end-to-end test that saves
# pictures inside Wine's virtual desktop (so frames show), then turns them
# into docs/NAME.png. DAYGLASS_DESKTOP sets the virtual desktop's size
# (1024x768 unless set; at most the Xvfb screen, 1280x1024).
#   . tools/screenshots.sh TARGET...
#   take_pictures TEST_EXE GTEST_FILTER NAME...
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${DAYGLASS_BUILD_DIR:-$root/build/cross}
case $build in /*) ;; *) build=$root/$build ;; esac
export DAYGLASS_BUILD_DIR=$build
cmake --preset cross -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target dayglass "$@"
bash "$root/tests/support/setup_wine_prefix.sh" "$build"
. "$root/tests/support/wine_env.sh" "$build"
. "$root/tests/support/xvfb.sh"
shots=$(mktemp -d)
stop_pictures() {
  wineserver -k 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$shots"
}
trap stop_pictures EXIT

take_pictures() {
  local test=$1 filter=$2
  shift 2
  DAYGLASS_EXE="$build/dayglass.exe" DAYGLASS_SHOTS="$shots" \
    wine explorer /desktop=dayglass-shots,"${DAYGLASS_DESKTOP:-1024x768}" "$build/tests/$test" \
    --gtest_also_run_disabled_tests --gtest_filter="$filter"
  wineserver -w
  local name
  for name in "$@"; do
    [ -s "$shots/$name.bmp" ] || { echo "no picture of $name" >&2; return 1; }
    # -strip: no time stamps, so an unchanged window gives an unchanged file.
    convert "$shots/$name.bmp" -strip "$root/docs/$name.png"
    echo "docs/$name.png"
  done
}
