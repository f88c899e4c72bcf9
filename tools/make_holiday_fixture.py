#!/usr/bin/python3
"""Write the holiday CSV test fixture in the form the Cabinet Office publishes.

Reads a plain UTF-8 list (one "YYYY-MM-DD name" line per holiday, "#" lines
and blank lines ignored) and writes Shift_JIS (code page 932) text with CR LF
line ends: the header line, then one "1955/1/1,元日" row per holiday.

    /usr/bin/python3 tools/make_holiday_fixture.py [LIST [OUTPUT]]

LIST defaults to tests/holidays/fixtures/holidays-1955-2027.txt and OUTPUT to
syukujitsu.csv beside it. Only the standard library is used and the output
is byte-for-byte reproducible.
"""

import os
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXTURES = os.path.join(REPO, "tests", "holidays", "fixtures")
HEADER = "国民の祝日・休日月日,国民の祝日・休日名称"


def read_list(path):
    rows = []
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            date, _, name = line.partition(" ")
            try:
                year, month, day = (int(part) for part in date.split("-"))
            except ValueError:
                sys.exit(f"{path}:{number}: not a YYYY-MM-DD date: {date!r}")
            if not name.strip():
                sys.exit(f"{path}:{number}: no holiday name")
            rows.append((year, month, day, name.strip()))
    return rows


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(FIXTURES, "holidays-1955-2027.txt")
    output = sys.argv[2] if len(sys.argv) > 2 else os.path.join(FIXTURES, "syukujitsu.csv")
    lines = [HEADER] + [f"{y}/{m}/{d},{name}" for y, m, d, name in read_list(source)]
    with open(output, "wb") as target:
        target.write("".join(line + "\r\n" for line in lines).encode("cp932"))


if __name__ == "__main__":
    main()
