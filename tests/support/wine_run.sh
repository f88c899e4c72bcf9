#!/usr/bin/env bash
# CTest's emulator: runs a Windows test program under Wine.
# Usage: wine_run.sh BUILD_DIR PROGRAM [ARGS...]
set -eu
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh" "$build"
[ -f "$WINEPREFIX/.dayglass-ready-2" ] || bash "$here/setup_wine_prefix.sh" "$build"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
exec wine "$@"
