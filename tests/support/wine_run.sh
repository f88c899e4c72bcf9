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
# With DAYGLASS_FAKE_TIME (local time, for example "2026-12-31 23:59:40"),
# every Wine process, the server first, runs on one fake clock that reads
# that time now: a process off that clock can make another's start fail.
# The time zone is UTC, so local time is the clock's time. Only the Wine
# commands get the fake clock, not this script.
on_clock() { "$@"; }
if [ -n "${DAYGLASS_FAKE_TIME:-}" ]; then
  fake_offset=$(($(TZ=UTC date -d "$DAYGLASS_FAKE_TIME" +%s) - $(date +%s)))
  on_clock() {
    TZ=UTC NO_FAKE_STAT=1 FAKETIME="+$fake_offset" \
      LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 "$@"
  }
fi
if [ -n "${DAYGLASS_DPI:-}${DAYGLASS_FAKE_TIME:-}" ]; then
  # test.sh keeps a server only for the main prefix. This one gets its own,
  # with Wine's services started away from CTest's pipes (a service holding
  # a pipe would keep CTest waiting), and ended with the test.
  on_clock wineserver -p </dev/null >/dev/null 2>&1
  on_clock wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  status=0
  on_clock wine "$@" || status=$?
  on_clock wineserver -k 2>/dev/null || true
  exit "$status"
fi
exec wine "$@"
