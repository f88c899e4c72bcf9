#!/usr/bin/env bash
# Takes docs/schedule-list.png and docs/schedule-edit.png: the schedule list
# and edit dialogs with sample schedules.
set -eu
. "$(dirname "$0")/screenshots.sh" schedules_e2e_tests
take_pictures schedules_e2e_tests 'ScheduleMode.DISABLED_CaptureForDocs' schedule-list schedule-edit
