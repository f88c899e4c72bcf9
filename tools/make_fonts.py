#!/usr/bin/python3
"""Build the Hooge 05_55 and Org_v01 pixel fonts from their text sources.

Reads tools/fonts/hooge_05_55.txt and tools/fonts/org_v01.txt (the format is
described at the top of each) and writes hooge_05_55.ttf and org_v01.ttf.

    /usr/bin/python3 tools/make_fonts.py [OUTPUT_DIR]

OUTPUT_DIR defaults to resources/ in the repository. The output is
byte-for-byte reproducible, so the committed fonts can be checked against a
fresh build.
"""

import os
import sys

from fontTools.agl import UV2AGL
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.tables import ttProgram
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

# 100 units per pixel keeps every outline point on the pixel grid.
PIXEL = 100
# Fixed so rebuilds are identical: 2026-01-01 00:00:00 in seconds since 1904.
TIMESTAMP = 3850156800
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = [("hooge_05_55.txt", "hooge_05_55.ttf"), ("org_v01.txt", "org_v01.ttf")]


def parse_source(path):
    """Return (header dict, {codepoint: [row strings]})."""
    header, glyphs, rows = {}, {}, None
    with open(path, encoding="utf-8") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("char "):
                code = int(line.split()[1], 16)
                if code in glyphs:
                    raise ValueError(f"{path}:{lineno}: duplicate char {code:#x}")
                rows = glyphs[code] = []
            elif rows is not None:
                if set(line) - set("#."):
                    raise ValueError(f"{path}:{lineno}: bad glyph row {line!r}")
                rows.append(line)
            else:
                key, _, value = line.partition(" ")
                header[key] = value.strip()
    for key in ("ascent", "descent", "em", "xheight", "spacing", "mono"):
        header[key] = int(header.get(key, 0))
    height = header["ascent"] + header["descent"]
    for code, rows in glyphs.items():
        if not header["ascent"] <= len(rows) <= height:
            raise ValueError(f"{path}: char {code:#x} has {len(rows)} rows")
        if len({len(r) for r in rows}) != 1:
            raise ValueError(f"{path}: char {code:#x} has ragged rows")
    return header, glyphs


def ink_contours(rows):
    """The outlines of a bitmap's ink: one contour around each connected run
    of pixels and one around each hole, as closed lists of corner points on
    the pixel grid (x right, y up from the bottom of the bitmap).

    Pixels that touch only at a corner stay apart, so no outline crosses
    itself. Outer contours run clockwise and holes counter-clockwise, as
    TrueType fills them.
    """
    height = len(rows)

    def ink(x, y):
        row = height - 1 - y
        return 0 <= row < height and 0 <= x < len(rows[row]) and rows[row][x] == "#"

    # Every pixel side between ink and blank, directed with the ink on its right.
    edges = {}
    for y in range(height):
        for x in range(len(rows[0])):
            if not ink(x, y):
                continue
            for start, end, outside in (
                ((x, y), (x, y + 1), (x - 1, y)),  # left side, upward
                ((x, y + 1), (x + 1, y + 1), (x, y + 1)),  # top, rightward
                ((x + 1, y + 1), (x + 1, y), (x + 1, y)),  # right side, downward
                ((x + 1, y), (x, y), (x, y - 1)),  # bottom, leftward
            ):
                if not ink(*outside):
                    edges.setdefault(start, []).append(end)

    contours = []
    while edges:
        first = min(edges)
        point, direction, contour = first, None, []
        while True:
            ends = edges[point]
            if len(ends) > 1:
                # Where two runs touch at a corner, turn right: that keeps
                # to the run this contour is going round.
                right = (direction[1], -direction[0])
                end = next(e for e in ends if (e[0] - point[0], e[1] - point[1]) == right)
            else:
                end = ends[0]
            ends.remove(end)
            if not ends:
                del edges[point]
            step = (end[0] - point[0], end[1] - point[1])
            if step != direction:
                contour.append(point)
            point, direction = end, step
            if point == first:
                break
        # The start is a corner only when the last side turns into the first.
        if contour[0] == first and len(contour) > 1:
            last_step = (first[0] - contour[-1][0], first[1] - contour[-1][1])
            first_step = (contour[1][0] - first[0], contour[1][1] - first[1])
            if (last_step[0] == 0) == (first_step[0] == 0):
                contour.pop(0)
        contours.append(contour)
    return contours


def draw_bitmap(rows, ascent):
    """Outline a bitmap, one contour per connected run of ink and per hole.

    Shared sides between pixels leave no edge inside the ink, so no scaling
    of the pixel grid can open a gap between rows or columns of one stroke.
    """
    pen = TTGlyphPen(None)
    bottom = ascent - len(rows)
    for contour in ink_contours(rows):
        points = [(x * PIXEL, (y + bottom) * PIXEL) for x, y in contour]
        pen.moveTo(points[0])
        for point in points[1:]:
            pen.lineTo(point)
        pen.closePath()
    glyph = pen.glyph()
    glyph.program = grid_fit_program(len(glyph.coordinates) if glyph.numberOfContours else 0)
    return glyph


def grid_fit_program(points):
    """A glyph program that moves every outline point to the nearest pixel
    edge, across and then up: each row and column of the design then covers
    whole pixels (at least one from 8 pixels per em up) and no pixel centre
    lies on an edge, at any size. Calls function 0 (see FONT_PROGRAM) once a point.
    """
    program = ttProgram.Program()
    if points:
        push = "PUSH[ ] " + " ".join(str(p) for p in range(points)) + f" {points} 0"
        program.fromAssembly(["SVTCA[1]", push, "LOOPCALL[ ]", "SVTCA[0]", push, "LOOPCALL[ ]"])
    else:
        program.fromBytecode(b"")
    return program


# Function 0: round the point on the stack to the grid along the axis set.
FONT_PROGRAM = ["PUSHB[ ] 0", "FDEF[ ]", "MDAP[1]", "ENDF[ ]"]
# Dropout control at every size (SCANCTRL 511), rule 4 (SCANTYPE): where a
# renderer leaves a stroke between pixel centres after all, it sets one.
CONTROL_PROGRAM = ["PUSHW[ ] 511", "SCANCTRL[ ]", "PUSHB[ ] 4", "SCANTYPE[ ]"]


def notdef_rows(width, ascent):
    inner = "#" + "." * (width - 2) + "#"
    return ["#" * width] + [inner] * (ascent - 2) + ["#" * width]


def build_font(header, glyphs):
    ascent, descent = header["ascent"], header["descent"]
    spacing, mono = header["spacing"], header["mono"]
    widths = {len(rows[0]) for rows in glyphs.values()}
    if mono and len(widths) != 1:
        raise ValueError(f"{header['family']}: fixed-pitch font has widths {widths}")

    codes = sorted(glyphs)
    names = {c: UV2AGL.get(c, f"uni{c:04X}") for c in codes}
    order = [".notdef"] + [names[c] for c in codes]
    bitmaps = {names[c]: glyphs[c] for c in codes}
    bitmaps[".notdef"] = notdef_rows(max(widths) if mono else 4, ascent)

    fb = FontBuilder(header["em"] * PIXEL, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({c: names[c] for c in codes})
    fb.setupGlyf({n: draw_bitmap(bitmaps[n], ascent) for n in order})
    glyf = fb.font["glyf"]
    metrics = {}
    for name in order:
        advance = (len(bitmaps[name][0]) + spacing) * PIXEL
        g = glyf[name]
        metrics[name] = (advance, g.xMin if g.numberOfContours else 0)
    fb.setupHorizontalMetrics(metrics)

    win_ascent = (header["em"] - descent) * PIXEL
    fb.setupHorizontalHeader(ascent=win_ascent, descent=-descent * PIXEL, lineGap=0)

    # Mac Roman agrees with ASCII, so the Mac cmap is the same mapping.
    mac = CmapSubtable.newSubtable(0)
    mac.platformID, mac.platEncID, mac.language = 1, 0, 0
    mac.cmap = {c: names[c] for c in codes}
    fb.font["cmap"].tables.append(mac)
    fb.font["cmap"].tables.sort(key=lambda t: (t.platformID, t.platEncID))

    family = header["family"]
    fb.setupNameTable(
        {
            "familyName": family,
            "styleName": "Regular",
            "uniqueFontIdentifier": f"Dayglass: {family} Regular: 1.000",
            "fullName": family,
            "version": "Version 1.000",
            "psName": header["psname"],
        }
    )
    fb.setupOS2(
        version=4,
        fsType=0,
        usWeightClass=400,
        usWidthClass=5,
        fsSelection=0x40 | 0x80,  # REGULAR | USE_TYPO_METRICS
        achVendID="NONE",
        panose={
            "bFamilyType": 2,
            "bSerifStyle": 0,
            "bWeight": 5,
            "bProportion": 9 if mono else 3,
            "bContrast": 0,
            "bStrokeVariation": 0,
            "bArmStyle": 0,
            "bLetterForm": 0,
            "bMidline": 0,
            "bXHeight": 0,
        },
        sTypoAscender=win_ascent,
        sTypoDescender=-descent * PIXEL,
        sTypoLineGap=0,
        usWinAscent=win_ascent,
        usWinDescent=descent * PIXEL,
        sxHeight=header["xheight"] * PIXEL,
        sCapHeight=ascent * PIXEL,
        yStrikeoutSize=PIXEL,
        yStrikeoutPosition=(header["xheight"] // 2) * PIXEL + PIXEL,
        ySubscriptXSize=header["em"] * PIXEL // 2,
        ySubscriptYSize=header["em"] * PIXEL // 2,
        ySubscriptYOffset=descent * PIXEL // 2,
        ySuperscriptXSize=header["em"] * PIXEL // 2,
        ySuperscriptYSize=header["em"] * PIXEL // 2,
        ySuperscriptYOffset=ascent * PIXEL // 2,
        ulCodePageRange1=1,  # Latin 1, so GDI matches ANSI_CHARSET
        usDefaultChar=0,
        usBreakChar=32,
        usMaxContext=0,
    )
    fb.setupPost(isFixedPitch=1 if mono else 0, underlinePosition=-PIXEL, underlineThickness=PIXEL)
    fb.setupHead(
        unitsPerEm=header["em"] * PIXEL,
        fontRevision=1.0,
        flags=0x000B,  # baseline y=0, lsb at x=0, integer ppem
        created=TIMESTAMP,
        modified=TIMESTAMP,
        lowestRecPPEM=header["em"],
    )
    for tag, assembly in (("fpgm", FONT_PROGRAM), ("prep", CONTROL_PROGRAM)):
        fb.font[tag] = table = newTable(tag)
        table.program = ttProgram.Program()
        table.program.fromAssembly(assembly)
    maxp = fb.font["maxp"]
    maxp.maxFunctionDefs = 1
    maxp.maxStackElements = max(len(glyf[n].coordinates) for n in order if glyf[n].numberOfContours) + 2
    maxp.maxSizeOfInstructions = max(len(glyf[n].program.getBytecode()) for n in order)
    # gasp: grid-fit, no greyscale, at every size; pixel edges stay hard.
    fb.font["gasp"] = gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x0001}
    fb.font.recalcTimestamp = False
    return fb.font


def main(argv):
    out_dir = argv[1] if len(argv) > 1 else os.path.join(REPO, "resources")
    os.makedirs(out_dir, exist_ok=True)
    for src, dst in SOURCES:
        header, glyphs = parse_source(os.path.join(REPO, "tools", "fonts", src))
        missing = [c for c in range(0x20, 0x7F) if c not in glyphs]
        if missing:
            raise ValueError(f"{src}: missing chars {[hex(c) for c in missing]}")
        build_font(header, glyphs).save(os.path.join(out_dir, dst))


if __name__ == "__main__":
    main(sys.argv)
