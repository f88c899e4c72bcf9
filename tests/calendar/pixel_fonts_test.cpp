// The embedded pixel fonts as GDI draws them at every size the calendar
// uses (the default sizes from 96 to 192 DPI): no row or column of a glyph
// is left empty where its design, in tools/fonts, has ink.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/gdi_owner.h"
#include "tests/support/test_support.h"

namespace {

struct Design {
  std::wstring family;
  int ascent = 0;
  int em = 0;
  std::map<wchar_t, std::vector<std::string>> glyphs; // rows of '#' and '.', top first
};

Design ReadDesign(const wchar_t *file) {
  Design design;
  std::string text = ReadFileBytes(SourcePath(std::wstring(L"tools/fonts/") + file));
  std::vector<std::string> *rows = nullptr;
  for (size_t begin = 0; begin < text.size();) {
    size_t end = std::min(text.find('\n', begin), text.size());
    std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
      line.pop_back();
    std::string key = line.substr(0, line.find(' '));
    std::string value = line.size() > key.size() ? line.substr(key.size() + 1) : "";
    if (key == "char")
      rows = &design.glyphs[static_cast<wchar_t>(std::stoi(value, nullptr, 16))];
    else if (rows && !line.empty() && (line[0] == '#' || line[0] == '.'))
      rows->push_back(line);
    else if (key == "family")
      design.family = Wide(value);
    else if (key == "ascent")
      design.ascent = std::stoi(value);
    else if (key == "em")
      design.em = std::stoi(value);
  }
  return design;
}

constexpr int kCanvas = 128;
constexpr int kOrigin = 16;

// Which device rows (or columns) hold ink, given the ink of each pixel.
struct Ink {
  std::vector<bool> rows, columns;
};

// The glyph drawn black on white at the origin; its ink by row and column.
Ink DrawGlyph(HDC dc, const DWORD *pixels, wchar_t glyph) {
  RECT all = {0, 0, kCanvas, kCanvas};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  TextOutW(dc, kOrigin, kOrigin, &glyph, 1);
  GdiFlush();
  Ink ink = {std::vector<bool>(kCanvas), std::vector<bool>(kCanvas)};
  for (int y = 0; y < kCanvas; ++y)
    for (int x = 0; x < kCanvas; ++x)
      if ((pixels[y * kCanvas + x] & 0xFFFFFF) != 0xFFFFFF)
        ink.rows[y] = ink.columns[x] = true;
  return ink;
}

// An empty device line between the glyph's first and last inked ones is a
// fault when every design line whose band holds the line's centre has ink.
// (A design line spans `scale` device pixels from `start`; a rasteriser may
// round its edges to the nearer pixel, so a centre on an edge counts for
// both neighbours.)
std::vector<int> MissingLines(const std::vector<bool> &device, const std::vector<bool> &design,
                              double start, double scale) {
  std::vector<int> missing;
  int first = 0, last = kCanvas - 1;
  while (first < kCanvas && !device[first])
    ++first;
  while (last >= 0 && !device[last])
    --last;
  bool designInk = false;
  for (bool line : design)
    designInk = designInk || line;
  if (first > last) {
    if (designInk)
      missing.push_back(-1);
    return missing;
  }
  for (int line = first; line <= last; ++line) {
    if (device[line])
      continue;
    double centre = line + 0.5;
    bool excused = false, covered = false;
    for (size_t d = 0; d < design.size(); ++d) {
      double low = start + d * scale, high = low + scale;
      if (centre >= low - 1e-9 && centre <= high + 1e-9) {
        covered = true;
        excused = excused || !design[d];
      }
    }
    if (covered && !excused)
      missing.push_back(line);
  }
  return missing;
}

TEST(PixelFonts, DrawEveryGlyphWholeAtTheCalendarsSizes) {
  RegisterPixelFontsOnce();
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kCanvas;
  info.bmiHeader.biHeight = -kCanvas; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  MemoryDc dc(nullptr);
  BitmapOwner bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bitmap);
  SelectGuard selected(dc.Get(), bitmap.Get());
  SetBkMode(dc.Get(), TRANSPARENT);
  SetTextColor(dc.Get(), RGB(0, 0, 0));

  std::vector<std::string> faults;
  for (const wchar_t *file : {L"hooge_05_55.txt", L"org_v01.txt"}) {
    Design design = ReadDesign(file);
    ASSERT_GT(design.glyphs.size(), 90u) << Utf8(file);
    for (int size = 10; size <= 48; ++size) {
      // As the calendar makes its fonts.
      FontOwner font(CreateFontW(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, design.family.c_str()));
      SelectGuard fontGuard(dc.Get(), font.Get());
      wchar_t face[LF_FACESIZE] = {};
      GetTextFaceW(dc.Get(), LF_FACESIZE, face);
      ASSERT_EQ(std::wstring(face), design.family);
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc.Get(), &metrics);
      const double scale = static_cast<double>(size) / design.em;
      for (const auto &glyph : design.glyphs) {
        const std::vector<std::string> &rows = glyph.second;
        std::vector<bool> rowInk(rows.size()), columnInk(rows[0].size());
        for (size_t r = 0; r < rows.size(); ++r)
          for (size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] == '#')
              rowInk[r] = columnInk[c] = true;
        Ink ink = DrawGlyph(dc.Get(), static_cast<const DWORD *>(bits), glyph.first);
        double top = kOrigin + metrics.tmAscent - design.ascent * scale;
        for (int row : MissingLines(ink.rows, rowInk, top, scale))
          faults.push_back(Utf8(design.family) + " " + std::to_string(size) + "px '" +
                           static_cast<char>(glyph.first) + "' row " + std::to_string(row));
        for (int column : MissingLines(ink.columns, columnInk, kOrigin, scale))
          faults.push_back(Utf8(design.family) + " " + std::to_string(size) + "px '" +
                           static_cast<char>(glyph.first) + "' column " + std::to_string(column));
      }
    }
  }
  std::string list;
  for (size_t i = 0; i < faults.size() && i < 30; ++i)
    list += faults[i] + "\n";
  EXPECT_TRUE(faults.empty()) << faults.size() << " empty lines inside glyphs, among them:\n"
                              << list;
}

} // namespace
