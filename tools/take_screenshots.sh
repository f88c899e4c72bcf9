#!/usr/bin/env bash
# Takes the calendar pictures of the documentation: docs/calendar-default.png
# (a first start, this month), docs/calendar-march-2026.png (holidays and
# schedules), docs/calendar-start-monday.png, docs/calendar-no-out-month.png
# and docs/popup.png (a day's popup over the calendar). Then every
# tools/screenshot_*.sh runs too, for the dialogs' pictures, unless
# --calendar-only is given.
set -eu
. "$(dirname "$0")/screenshots.sh" calendar_e2e_tests
take_pictures calendar_e2e_tests 'CalendarPictures.DISABLED_CaptureForDocs' calendar-default \
  calendar-march-2026 calendar-start-monday calendar-no-out-month popup

[ "${1:-}" = "--calendar-only" ] && exit 0
stop_pictures
trap - EXIT
for script in "$root"/tools/screenshot_*.sh; do
  bash "$script"
done
