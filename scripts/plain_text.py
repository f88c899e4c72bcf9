#!/usr/bin/env python3
"""Writes a text file as Notepad opens it best: UTF-8 with a byte-order mark
and CR LF line ends. With --markdown the input is our Markdown, turned into
plain text for readers who have nothing to render it: headings marked with
squares, tables as one bullet per row, pictures and links to files left out
(they are not beside the text), code blocks indented.

Usage: plain_text.py [--markdown] INPUT OUTPUT
"""
import re
import sys

LINK = re.compile(r"(!?)\[([^\]]*)\]\(([^)\s]+)\)")


def inline(text):
    def link(m):
        picture, label, target = m.groups()
        if picture:
            return ""
        if re.match(r"[a-z]+://", target):
            return f"{label} ({target})"
        return label

    text = LINK.sub(link, text)
    text = text.replace("**", "")
    # Backticks only mark code; what they hold is copied as it stands.
    return text.replace("`", "")


def cells(row):
    return [c.strip() for c in row.strip().strip("|").split("|")]


def table(rows):
    head = cells(rows[0])
    out = []
    for row in rows[2:]:
        c = [inline(x) for x in cells(row)]
        line = f"・{c[0]}：{c[1]}" if len(c) > 1 else f"・{c[0]}"
        for name, value in zip(head[2:], c[2:]):
            line += f" ／ {inline(name)}：{value}"
        out.append(line)
    return out


def markdown_to_text(lines):
    out = []
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            i += 1
            while i < len(lines) and not lines[i].startswith("```"):
                out.append("    " + lines[i])
                i += 1
            i += 1
            continue
        if line.startswith("|"):
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                rows.append(lines[i])
                i += 1
            out.extend(table(rows))
            continue
        if re.fullmatch(r"\s*!\[[^\]]*\]\([^)]*\)(\s+!\[[^\]]*\]\([^)]*\))*\s*", line):
            # A picture alone on its line goes with its line and the blank after it.
            i += 1
            if i < len(lines) and not lines[i].strip() and out and not out[-1].strip():
                i += 1
            continue
        heading = re.match(r"(#+)\s+(.*)", line)
        if heading:
            level, title = len(heading.group(1)), inline(heading.group(2))
            if level == 1:
                out.append(title)
                out.append("=" * 40)
            else:
                out.append(("■ " if level == 2 else "◆ ") + title)
            i += 1
            continue
        bullet = re.match(r"(\s*)- (.*)", line)
        if bullet:
            out.append(bullet.group(1) + "・" + inline(bullet.group(2)))
        else:
            out.append(inline(line))
        i += 1
    while out and not out[-1].strip():
        out.pop()
    return out


def main():
    args = sys.argv[1:]
    markdown = args[:1] == ["--markdown"]
    if markdown:
        args = args[1:]
    src, dst = args
    with open(src, encoding="utf-8-sig") as f:
        lines = [l.rstrip() for l in f.read().splitlines()]
    if markdown:
        lines = markdown_to_text(lines)
    with open(dst, "wb") as f:
        f.write(("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-8"))


if __name__ == "__main__":
    main()
