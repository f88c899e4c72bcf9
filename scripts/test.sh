#!/usr/bin/env bash
# Builds Dayglass and every test, then runs them all under Wine on a private
# Xvfb display. Extra arguments go to ctest (for example -R config).
set -eu
. "$(dirname "$0")/prepare.sh"

# A display of our own, and one Wine server for the whole run.
. "$root/tests/support/xvfb.sh"
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
wineserver -p
# Start Wine's own services now, detached from CTest's output pipes: a
# service that inherited a test's pipe would keep CTest waiting for ever.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure --timeout 900 "$@"
