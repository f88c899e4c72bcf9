#!/usr/bin/env bash
# Builds Dayglass and runs it under Wine. With a display the calendar opens
# there; without one it runs on a private Xvfb, saves a screenshot and says
# where. The calendar keeps its calendar.ini beside the exe in the build folder.
set -eu
. "$(dirname "$0")/prepare.sh"

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$build/dayglass.exe" "$@"
fi

. "$root/tests/support/xvfb.sh"
trap 'wineserver -k 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true' EXIT
# A virtual desktop gives the window its frame and caption in the picture.
wine explorer /desktop=Dayglass,640x480 "$build/dayglass.exe" "$@" >/dev/null 2>&1 &
shot="$build/dayglass-screenshot.png"
for _ in $(seq 150); do
  sleep 0.2
  if xdotool search --name '^Dayglass$' >/dev/null 2>&1; then
    sleep 1 # let the first paint finish
    import -window root -crop 640x480+0+0 "$shot"
    echo "Dayglass is running on a private display (no DISPLAY here)."
    echo "Screenshot: $shot"
    exit 0
  fi
done
echo "The Dayglass window did not appear." >&2
exit 1
