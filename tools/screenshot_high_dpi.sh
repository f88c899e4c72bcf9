#!/usr/bin/env bash
# Takes docs/calendar-144dpi.png and docs/schedule-list-144dpi.png: the
# calendar and its schedule list in a Wine prefix at 144 DPI (150 %).
set -eu
export DAYGLASS_DPI=144
# The whole Xvfb screen: the list is about 1030 x 920 pixels at this DPI.
export DAYGLASS_DESKTOP=1280x1024
. "$(dirname "$0")/screenshots.sh" calendar_e2e_tests
take_pictures calendar_e2e_tests 'CalendarPictures.DISABLED_CaptureAtHighDpiForDocs' \
  calendar-144dpi schedule-list-144dpi
