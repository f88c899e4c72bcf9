#!/usr/bin/env bash
# Runs the fault and hostile-input tests and writes docs/reliability.md: each
# fault or input tried, how many times, and what happened. The same tests
# run with every `bash scripts/test.sh`; this only gathers their figures.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
bash "$root/scripts/test.sh" -R '^(config|config_e2e|faultfs_.*|schedules|schedules_e2e|holidays|holidays_e2e|app|app_e2e|popup|settings_dialog_e2e)$' -V \
  >"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "tests failed: no report written" >&2; exit 1; }
out=$root/docs/reliability.md
{
  echo "# Reliability"
  echo
  echo "Written by \`bash scripts/reliability.sh\` on $(date -u +%Y-%m-%d) from the tests that run with"
  echo "every \`bash scripts/test.sh\`: the program under Wine $(wine --version 2>/dev/null | sed 's/^wine-//'),"
  echo "built with the C library's buffer checks (\`_FORTIFY_SOURCE=2\`) and the C++ library's"
  echo "assertions (\`_GLIBCXX_ASSERTIONS\`). Every row passed."
  echo
  echo "| Fault or input | Tries | Outcome |"
  echo "|---|---:|---|"
  grep -o '\[reliability\] .*' "$log" | sed 's/^\[reliability\] //; s/\r$//' |
    awk -F' \\| ' '{ printf "| %s | %s | %s |\n", $1, $2, $3 }'
  echo
  echo "After every fault the file was byte for byte the old one or one complete new version;"
  echo "the user saw what the program promises: nothing for the saves nobody asked for (a move, a"
  echo "close), \"INIファイルの保存に失敗しました。\" for an appointment change that could not be saved,"
  echo "exit code 1 (or the same message in the settings dialog) for a holiday update."
  echo "GDI objects are counted by filling the process's GDI table to a few hundred free slots,"
  echo "which must stay free (Wine reports no GDI counts); the calendar's own paints and popups are"
  echo "counted that way in the calendar tests too."
} >"$out"
echo "Wrote $out"
