// The embedded pixel fonts as GDI draws them at every size the calendar
// uses (the default sizes from 96 to 192 DPI): no row or column of a glyph
// is left empty where its design, in tools/fonts, has ink.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/handle_owner.h"
#include "tests/support/test_support.h"

namespace {

struct Design {
  std::string family;
  int ascent = 0, em = 0;
  std::map<wchar_t, std::vector<std::string>> glyphs; // rows of '#' and '.', top first
};

Design ReadDesign(const wchar_t *file) {
  Design design;
  std::istringstream text(ReadFileBytes(SourcePath(std::wstring(L"tools/fonts/") + file)));
  std::vector<std::string> *rows = nullptr;
  for (std::string line; std::getline(text, line);) {
    std::istringstream words(line);
    std::string key, value;
    words >> key;
    std::getline(words >> std::ws, value);
    if (key == "char")
      rows = &design.glyphs[static_cast<wchar_t>(std::stoi(value, nullptr, 16))];
    else if (rows && (key[0] == '#' || key[0] == '.'))
      rows->push_back(key);
    else if (key == "family")
      design.family = value;
    else if (key == "ascent" || key == "em")
      (key == "em" ? design.em : design.ascent) = std::stoi(value);
  }
  return design;
}

// Empty device lines (rows or columns) between the first and the last with
// ink, where every design line whose band holds the line's centre has ink.
// A design line spans `scale` pixels from `start`; a centre on an edge
// counts for both neighbours, since a rasteriser may round either way.
std::vector<int> MissingLines(const std::vector<bool> &device, const std::vector<bool> &design,
                              double start, double scale) {
  std::vector<int> missing;
  int first = 0, last = static_cast<int>(device.size()) - 1;
  while (first <= last && !device[first])
    ++first;
  while (last >= first && !device[last])
    --last;
  for (int line = first; line <= last; ++line) {
    bool covered = false, excused = false;
    for (size_t d = 0; d < design.size() && !device[line]; ++d) {
      double low = start + d * scale, centre = line + 0.5;
      if (centre >= low - 1e-9 && centre <= low + scale + 1e-9) {
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
  constexpr int kCanvas = 128, kOrigin = 16;
  RegisterPixelFontsOnce();
  MemoryDc dc(nullptr); // for the face's name and metrics
  const RECT canvas = {0, 0, kCanvas, kCanvas};

  std::vector<std::string> faults;
  for (const wchar_t *file : {L"hooge_05_55.txt", L"org_v01.txt"}) {
    Design design = ReadDesign(file);
    ASSERT_GT(design.glyphs.size(), 90u) << Utf8(file);
    for (int size = 10; size <= 48; ++size) {
      // As the calendar makes its fonts.
      FontOwner font(CreateFontW(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, Wide(design.family).c_str()));
      SelectGuard fontGuard(dc.Get(), font.Get());
      wchar_t face[LF_FACESIZE] = {};
      GetTextFaceW(dc.Get(), LF_FACESIZE, face);
      ASSERT_EQ(Utf8(face), design.family);
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc.Get(), &metrics);
      const double scale = static_cast<double>(size) / design.em;
      for (const auto &glyph : design.glyphs) {
        const std::vector<std::string> &rows = glyph.second;
        std::vector<bool> rowInk(rows.size()), columnInk(rows[0].size());
        std::vector<bool> deviceRows(kCanvas), deviceColumns(kCanvas);
        for (size_t r = 0; r < rows.size(); ++r)
          for (size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] == '#')
              rowInk[r] = columnInk[c] = true;
        Capture drawn = CaptureDrawing(kCanvas, kCanvas, [&](HDC canvasDc) {
          FillRect(canvasDc, &canvas, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
          SelectGuard drawFont(canvasDc, font.Get());
          TextOutW(canvasDc, kOrigin, kOrigin, &glyph.first, 1);
        });
        for (int y = 0; y < kCanvas; ++y)
          for (int x = 0; x < kCanvas; ++x)
            if (drawn.At(x, y) != RGB(255, 255, 255))
              deviceRows[y] = deviceColumns[x] = true;
        const std::string where = design.family + " " + std::to_string(size) + "px '" +
                                  static_cast<char>(glyph.first) + "' ";
        if (rowInk != std::vector<bool>(rowInk.size()) && deviceRows == std::vector<bool>(kCanvas))
          faults.push_back(where + "drawn empty");
        double top = kOrigin + metrics.tmAscent - design.ascent * scale;
        for (int row : MissingLines(deviceRows, rowInk, top, scale))
          faults.push_back(where + "row " + std::to_string(row));
        for (int column : MissingLines(deviceColumns, columnInk, kOrigin, scale))
          faults.push_back(where + "column " + std::to_string(column));
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
