#!/usr/bin/env bash
# CTest's emulator: runs a Windows test program under Wine.
# Usage: wine_run.sh BUILD_DIR PROGRAM [ARGS...]
set -eu
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh" "$build"
[ -f "$dayglass_prefix_ready" ] || bash "$here/setup_wine_prefix.sh" "$build"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
if [ -n "${DAYGLASS_DPI:-}" ]; then
  # test.sh keeps a server only for the main prefix. This one gets its own,
  # with Wine's services started away from CTest's pipes (a service holding
  # a pipe would keep CTest waiting), and ended with the test.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  status=0
  wine "$@" || status=$?
  wineserver -k 2>/dev/null || true
  exit "$status"
fi
exec wine "$@"
