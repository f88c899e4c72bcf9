#!/usr/bin/env bash
# Rebuilds the generated fonts, icon and holiday CSV fixture into a scratch directory and checks
# they match the committed copies in resources/ byte for byte, so a source
# edit can't land without its regenerated output (or the other way round).
# Also checks the font names and ASCII coverage the app relies on.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
py=/usr/bin/python3
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

status=0
"$py" "$repo/tools/make_fonts.py" "$tmp"
"$py" "$repo/tools/make_icon.py" "$tmp"
fixtures="$repo/tests/holidays/fixtures"
"$py" "$repo/tools/make_holiday_fixture.py" "$fixtures/holidays-1955-2027.txt" "$tmp/syukujitsu.csv"
if ! cmp -s "$tmp/syukujitsu.csv" "$fixtures/syukujitsu.csv"; then
    echo "differs from a fresh build: tests/holidays/fixtures/syukujitsu.csv" >&2
    status=1
fi

for f in hooge_05_55.ttf org_v01.ttf dayglass.ico; do
    if ! cmp -s "$tmp/$f" "$repo/resources/$f"; then
        echo "differs from a fresh build: resources/$f" >&2
        status=1
    fi
done

"$py" - "$repo/resources" <<'EOF' || status=1
import sys
from fontTools.ttLib import TTFont

ok = True
for file, family in (("hooge_05_55.ttf", "Hooge 05_55"), ("org_v01.ttf", "Org_v01")):
    font = TTFont(f"{sys.argv[1]}/{file}")
    names = {str(n) for n in font["name"].names if n.nameID == 1}
    if names != {family}:
        print(f"{file}: family names {sorted(names)}, want {family!r}", file=sys.stderr)
        ok = False
    cmap = font["cmap"].getcmap(3, 1)
    missing = [hex(c) for c in range(0x20, 0x7F) if cmap is None or c not in cmap.cmap]
    if missing:
        print(f"{file}: no glyph for {missing}", file=sys.stderr)
        ok = False
sys.exit(0 if ok else 1)
EOF

if [ "$status" -eq 0 ]; then
    echo "generated resources are up to date"
fi
exit "$status"
