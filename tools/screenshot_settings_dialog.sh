#!/usr/bin/env bash
# Takes docs/settings-dialog.png: the settings dialog as it opens over the calendar.
set -eu
. "$(dirname "$0")/screenshots.sh" settings_dialog_e2e_tests
take_pictures settings_dialog_e2e_tests 'SettingsDialogE2e.DISABLED_CaptureForDocs' settings-dialog
